flow works:
  return 1

flow fails:
  need false

flow needs_input given x:
  return x

job not_a_flow:
  return 1

flow a_flow_with_a_much_longer_name:
  stop
