always y = x is above 5
