a:
  b
	
  c
