agent helper uses "gpt-4o":
  can reason
  job greet:
    return 1
flow main:
  return summarize "text"
