a | b
