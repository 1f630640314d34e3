flow main:
  items = []
  repeat 1000000 times:
    add 1 to items
  total = 0
  for each item in items:
    total = total + item
  return total
