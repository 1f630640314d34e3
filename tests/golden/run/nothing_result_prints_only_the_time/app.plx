flow main:
  x = 1
  x = nothing
  return x
