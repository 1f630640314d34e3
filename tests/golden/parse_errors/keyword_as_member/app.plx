always y = x.text
