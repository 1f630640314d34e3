flow f:
  for each i in items where i is above 2:
    a
