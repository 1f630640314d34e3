flow main:
  return 1

to my_test:
  return false

flow Testing:
  return false

agent helper uses "gpt-4o":
  can reason

  job test_inside_an_agent:
    return false
