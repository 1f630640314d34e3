record R:
  track things
