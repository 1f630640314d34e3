page "Home":
  title is "Welcome"
  text "Hello {user}"
  show count
  show tasks as list, urgent
  show total, label "Total", primary, label "Sum"
  show Item as table:
    columns: name, done
    sort:
      by name
  form "signup":
    input name as text, required, label "Your name", placeholder
    input age as number, default 18
    submit "Go" calls flow register
    on submit go to "Home"
  form:
    submit "Save"
  button "Go" opens page "Home"
  button "Save" calls flow save_item, danger
  button "Hi"
  button "Odd", 42
  beside:
    text "left"
    text "right"
  card "Stats", primary:
    text total
  card:
    divider
  panels:
    panel "Left", wide:
      spacer
    panel:
      text "plain"
    note not a panel
  if user is nothing:
    text "Sign in"
  otherwise:
    text "Hi"
  if admin:
    divider
