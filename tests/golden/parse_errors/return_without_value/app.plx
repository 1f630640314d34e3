flow f:
  return
