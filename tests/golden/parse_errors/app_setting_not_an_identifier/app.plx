app "x"
  42 is x
