record Everything:
  a is text
  b is long text
  c is secret text
  d is int
  e is whole number
  f is whole
  g is number
  h is currency
  i is percentage
  j is date
  k is date and time
  l is time span
  m is time
  n is bool
  o is yes or no
  p is yes or
  q is email
  r is phone
  s is link
  t is file
  u is files
  v is image
  w is pdf
  x is csv
  y is address
  z is color
  aa is signature
  ab is list of list of number
  ac is list
  ad is Customer
  ae is date and
