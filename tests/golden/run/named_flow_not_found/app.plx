flow main:
  stop
