a:
  b:
    c
   d
