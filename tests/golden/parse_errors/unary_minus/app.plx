always y = -1
