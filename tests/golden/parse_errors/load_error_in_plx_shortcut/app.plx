flow f:
  x = "open
