flow f:
  total + 1
