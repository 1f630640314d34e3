to down given n:
  return down(n + 1)
flow main:
  return down(0)
