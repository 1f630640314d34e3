a:
  b = 1

  c
