flow main
  return 1
