record R:
  name is 5
