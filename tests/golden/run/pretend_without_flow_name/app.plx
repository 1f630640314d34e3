flow main:
  send email to "bob":
    body is "hi"
