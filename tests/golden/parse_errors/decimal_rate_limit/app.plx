agent a:
  allow at most 2.5 per minute
