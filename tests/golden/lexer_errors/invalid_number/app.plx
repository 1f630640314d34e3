flow f:
  x = 1.2.3
