  app "x"
