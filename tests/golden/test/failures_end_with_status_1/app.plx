flow test_sum:
  total = 0
  for each n in [1, 2, 3]:
    total = total + n
  return total

flow test_sum_is_seven:
  need total is 7 otherwise "total should be 7"

flow test_false:
  return false

flow test_nothing:
  log "tests share one interpreter: total is {total}"

flow test_with_input given name:
  log "never runs"

job test_job:
  return "a job"

to test_function:
  return 0

flow test_model:
  answer = sense "hello"
  return answer

flow Test_capital:
  return false

flow check_test:
  return false
