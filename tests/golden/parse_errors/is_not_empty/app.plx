always y = x is not empty
