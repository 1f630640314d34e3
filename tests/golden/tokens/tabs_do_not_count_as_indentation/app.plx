a:
	name
  	b
