app "x"
