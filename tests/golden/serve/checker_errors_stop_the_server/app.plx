record Empty:
  track changes
flow main:
  return 1
