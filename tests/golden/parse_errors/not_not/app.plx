always y = not not x
