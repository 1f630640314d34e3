record Empty:
  track changes

agent helper uses "claude-opus-4":
  can reason

flow main:
  a = reason about "x"
