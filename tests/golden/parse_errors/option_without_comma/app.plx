record R:
  name is text required
