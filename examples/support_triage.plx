app "Support Desk"

choices Priority is "low", "normal", "urgent"

record Ticket:
  subject is text, required
  body is long text
  priority is Priority, default "normal"
  solved is yes or no, default false

agent classifier uses "claude-sonnet-4-6":
  can reason
  rules:
    never guess account details
    always explain the chosen priority

  job classify given ticket:
    mood = sense ticket.body
    return mood

agent responder uses "claude-sonnet-4-6":
  can reason, send
  job reply given ticket:
    answer = reason about ticket.body: write a short, kind reply
    return answer

team desk is classifier, responder

-- Urgent words win over everything else. A return ends only the block it stands in, so the
-- branches are one if statement whose value is the function's.
to priority_of given words:
  if words contains "down" or words contains "outage":
    return "urgent"
  else if words contains "question":
    return "low"
  otherwise:
    return "normal"

flow triage given subject, body:
  ticket = {subject: subject, body: body}
  priority = priority_of(body)
  log "{subject}: {priority}"
  match priority:
    "urgent" -> notify oncall "urgent ticket: {subject}"
    otherwise -> log "queued"
  return priority

flow test_urgent_words_win:
  return priority_of("the site is down") is "urgent"

flow test_questions_are_low:
  return priority_of("a question about invoices") is "low"

-- Flows run through `run`; every flow shares one variable table, so the test reads the
-- priority that triage set.
flow test_triage_sets_the_priority:
  run desk triage "Login", "cannot log in"
  return priority is "normal"

flow test_reply_in_pretend_mode:
  pretend:
    answer = reason about "a late parcel": write a short, kind reply
  check answer:
    confidence above 0.5
