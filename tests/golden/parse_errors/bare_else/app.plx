flow f:
  if x:
    a
  else:
    b
