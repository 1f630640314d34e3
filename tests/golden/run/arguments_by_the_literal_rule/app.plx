flow echo given a, b, c, d, e, f, g, h:
  return [a, b, c, d, e, f, g, h]
