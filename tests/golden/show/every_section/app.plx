-- Teams, functions, top-level jobs, uses, always declarations and choices stay out of the
-- summary; the empty record is a checker error, which show does not look for.
app "Tasks"

use "lib.plx"

record Task:
  title is text, required
  done is yes or no
  due is date

record Empty:
  track changes

agent planner uses "gpt-4o":
  can reason
  rules:
    never guess a due date
    always be brief

  job plan given goal, deadline:
    return goal

  job tidy:
    return 1

agent helper:
  can reason

team crew is planner, helper

to double given n:
  return n * 2

job cleanup:
  return 0

always rate = 0.2

choices Priority is "low", "high"

flow start:
  log "a"
  log "b"

flow plan_week given goal, days:
  return goal

page "My Tasks":
  title is "Tasks"

page "ÜBER Uns ΟΔΟΣ":
  title is "x"
  text "y"

app "Café"
