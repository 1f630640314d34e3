app "X":
