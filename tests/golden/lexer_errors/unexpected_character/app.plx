a:
  b < c
