agent a:
  can
