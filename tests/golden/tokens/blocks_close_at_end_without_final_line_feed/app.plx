record Item:
  name is text
  flow f:
    x