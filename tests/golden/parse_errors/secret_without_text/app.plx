record R:
  password is secret
