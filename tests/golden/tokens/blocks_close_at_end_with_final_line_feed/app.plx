a:
  b:
    c
