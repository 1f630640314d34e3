agent reader uses "gpt-4o-mini":
  can reason

agent writer uses "claude-sonnet-4-6":
  can reason

  job polish given draft:
    repeat 3 times:
      draft = reason about draft: make it tighter
    return draft

flow digest given items:
  for each item in items:
    short = summarize item
    mood = sense item
    for each line in item:
      french = translate line to "French"
  if items is empty:
    note = reason about items: explain why there is nothing
  return short
