flow f:
  send email to bob:
  stop
