flow main:
  return summarize "text"
