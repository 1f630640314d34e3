flow echo given a:
  send email to "bob":
    body is "hi"
  return a
