app "Bench"

record Item:
  name is text, required
  done is yes or no, default false
  points is whole number, default 0

flow compute:
  items = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10]
  total = 0
  for each item in items:
    total = total + item * item
  return {total: total, count: 10}
