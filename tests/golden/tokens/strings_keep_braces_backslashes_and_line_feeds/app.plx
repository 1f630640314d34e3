log "Hello, {name}!"
log "a\nb"
x = "two
lines" y
z = "tab	here" "quote\"
