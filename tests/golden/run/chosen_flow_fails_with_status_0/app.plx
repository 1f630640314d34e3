flow main:
  x = 1 / 0
