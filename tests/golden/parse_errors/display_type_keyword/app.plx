page "P":
  show messages as chat
