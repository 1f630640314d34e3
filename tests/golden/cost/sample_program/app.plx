app "My App"

record Item:
  name is text, required
  done is yes or no, default false

agent helper uses "claude-sonnet-4-6":
  can reason

  job greet given name as text:
    response = reason about name: write a creative greeting
    return response

flow test_hello:
  log "Hello from Pellix!"
  items = [1, 2, 3]
  total = 0
  for each item in items:
    total = total + item
  log "sum = {total}"
  return total

page "Home":
  title is "My App"

  form:
    input name as text, label "Item name"
    submit "Add" calls add_item

  show Item as table:
    columns: name, done
