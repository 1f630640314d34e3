app "Task Board"
  theme is dark
  accent is teal

choices Stage is "todo", "doing", "done"

record Task:
  track changes
  title is text, required
  stage is Stage, default "todo"
  estimate is number, default 1
  notes is long text

-- Served with `pellix serve task_board.plx`: the form posts a task, the table lists them and
-- the flow adds up an estimate over the API.
flow total_estimate given estimates:
  total = sum of estimates
  return total

to days_for given points:
  return points / 2

page "Board":
  title is "Tasks"
  text "Plan the week"

  form:
    input title as text, required, label "Task"
    input estimate as number, label "Points"
    submit "Add task" calls add_task

  show Task as table:
    columns: title, stage, estimate

  button "Summary" opens page "Summary"

page "Summary":
  title is "Summary"
  card "Estimate", primary:
    text "Ask the API for the total estimate"
  button "Back" opens page "Board"

flow test_total_estimate:
  run board total_estimate [1, 2, 3.5]
  return total is 6.5

flow test_days_for:
  return days_for(8) is 4
