flow main:
  rows = []
  i = 0
  repeat 200000 times:
    i = i + 1
    label = "item {i}"
    add {name: label, index: i} to rows
  total = 0
  for each row in rows:
    total = total + row.index
    line = "{row.name} is number {row.index}"
  return total
