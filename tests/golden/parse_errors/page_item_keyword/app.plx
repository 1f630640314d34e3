page "P":
  below:
