flow f:
  expect x
