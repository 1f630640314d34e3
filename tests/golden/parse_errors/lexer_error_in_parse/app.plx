flow f:
  x = 1 | 2
