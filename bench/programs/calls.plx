to add_one given x:
  return x + 1

flow main:
  n = 0
  repeat 1000000 times:
    n = add_one(n)
  return n
