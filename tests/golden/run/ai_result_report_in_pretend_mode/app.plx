flow main:
  mood = sense "what a lovely day"
  match confidence of mood:
    certain -> log "sure"
    confident -> log "fairly sure"
  reason about mood: explain in one line
