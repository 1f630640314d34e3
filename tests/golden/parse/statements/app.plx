flow every_statement given a, b as number:
  x = 1
  change order.status to "paid"
  change order to nothing
  if a above 1:
    log "big"
  else if a below 0:
    log "negative"
  else if a is 0:
    log "zero"
  otherwise:
    log "small"
  match a:
    1 -> log "one"
    otherwise -> stop
  match confidence of answer:
    certain -> log 1
    high -> log 2
  for each item in items where item above 2:
    add item to picked
  repeat 3 times:
    log "again"
  repeat until done:
    done = true
  return x
  need a otherwise "a is required"
  need b
  try:
    call api "weather":
      city is "Oslo"
      keep the result for 1 hour
      expires after 30 minutes
      at noon every day
  if it fails:
    log "failed"
  if it times out:
    log "slow"
  assume a above 0
  but if wrong:
    log "wrong"
  pretend:
    send email to user.email:
      subject is "Hi"
      body is "Hello {name}"
      cc is boss
  together:
    run helper greet a, b
    run helper greet
  stop
  undo
  check order:
    has total
    confidence above 0.9
    prove with receipt, ledger
    otherwise stop
    total above 0
  check order: total above 0
  check order
  remember a about user.name as favourite
  recall notes about user from last 5
  forget notes about user
  teach "be kind"
  narrate "step one"
  log x as debug
  flag order as "suspicious", review
  notify admin "look", loud
  create Order:
    total is 5
    status is "open"
  update order:
    change total to 6
    set nothing here
  delete Order where total below 1
  remove item from picked
  greet(a)
  reason about a: be brief
  log 1 log 2
