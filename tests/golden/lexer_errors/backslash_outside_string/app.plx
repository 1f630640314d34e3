x = \n
