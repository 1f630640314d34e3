record Empty:
  track changes

flow test_never:
  log "not run"
