to double given n:
  return n * 2
