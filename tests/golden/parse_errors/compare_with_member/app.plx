always y = compare x.a and y
