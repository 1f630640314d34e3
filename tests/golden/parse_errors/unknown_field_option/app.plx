record R:
  name is text, unique
