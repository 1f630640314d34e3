flow f:
  x = (1
