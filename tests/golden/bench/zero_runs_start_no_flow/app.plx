flow forever:
  repeat 9223372036854775807 times:
    log "again"
