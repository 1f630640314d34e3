record Task:
  title is text

flow main:
  order = {total: 5}
  pretend:
    send email to "bob":
      body is "secret"
    call api "https://example.com":
      path is "/v1"
    create Task:
      title is "write"
      title is "again"
    update order:
      change total to 7
    delete Task where true
  return order
