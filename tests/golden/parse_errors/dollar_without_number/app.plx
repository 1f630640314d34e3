agent a:
  costs at most $ per day
