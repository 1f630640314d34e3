flow greet given name:
  log "hello {name}"

job main:
  return 1
