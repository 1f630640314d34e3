agent a:
  costs at most lots per day
