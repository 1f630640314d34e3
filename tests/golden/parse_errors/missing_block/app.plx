flow f:
flow g:
  stop
