app "Research Assistant"

agent scholar uses "claude-sonnet-4-6":
  remembers across sessions
  can reason, search
  rules:
    always cite the notes it used
    never invent a source

  job study given finding:
    remember finding about research as notes
    return finding

  job answer given question:
    reply = reason about question: answer from the research notes only
    return reply

-- Findings are remembered under the name "notes"; a recall as the last statement of a flow
-- is the flow's result.
flow research given question:
  run scholar study "green tea has less caffeine than coffee"
  run scholar study "oolong is partly oxidised"
  run scholar answer question
  recall notes

flow notes:
  recall notes

flow test_study_keeps_the_finding:
  run scholar study "arabica is milder than robusta"
  return finding is "arabica is milder than robusta"

flow test_answers_in_pretend_mode:
  pretend:
    run scholar answer "which coffee is milder?"
  return reply exists

flow test_forgotten_notes_are_gone:
  forget notes
  recall notes
