record R:
  text is text
