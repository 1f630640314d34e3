record Task:
  title is text

flow main:
  items = [1, "1", 2]
  remove 1 from items
  add 3 to items
  order = {total: 5}
  change order.total to 6
  change fresh to "new"
  teach "be kind"
  narrate "step one"
  log items
  log "careful" as warning
  flag order as "big", review
  notify admin "look"
  undo
  remember "tea" about drinks as favourite
  remember "coffee"
  x = recall favourite
  send email to "bob@example.com":
    subject is "Hi"
    body is "Hello {fresh}"
  call api "https://example.com":
    path is "/v1"
    path is "/items"
    token is 42
  create Task:
    title is "write"
  create Ghost:
    name is "boo"
  update order:
    change total to 7
  delete Task where title is "write"
  delete Ghost where 1
  run helper greet "Ann"
  return [items, order, fresh, x]

flow greet given name:
  return "hi {name}"
