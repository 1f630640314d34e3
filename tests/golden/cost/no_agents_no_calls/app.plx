flow main:
  log "no models here"
