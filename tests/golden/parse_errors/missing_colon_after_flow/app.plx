flow f
  stop
