x — y
