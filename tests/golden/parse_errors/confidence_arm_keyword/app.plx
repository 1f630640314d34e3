flow f:
  match confidence of answer:
    above -> log 1
