flow greet given name:
  return name
