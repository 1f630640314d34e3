always y = {"name": 1}
