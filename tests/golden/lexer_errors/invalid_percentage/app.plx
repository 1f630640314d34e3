rate = 1.2.3%
