app "Field Notes"
  theme is dark
  accent is teal

record Note:
  title is text, required

flow add_note given title:
  return title

flow archive:
  return 0

page "Dashboard":
  title is "Today"
  text "Everything at a glance"
  beside:
    show open_notes as number, primary, label "Open"
    show spend as currency
  show Note as table
  show Note as cards
  show Tags as list, muted
  show Events as timeline
  show summary
  show trend as sparkline
  button "Archive all" calls flow archive, danger
  button "Write one" opens page "New Note", primary
  divider
  spacer
  if user is nothing:
    text "Sign in to see your notes"
  otherwise:
    card "Welcome back", secondary:
      text user.name

page "New Note":
  form "Note":
    input title as text, required, label "Title"
    input body as long text
    input password as secret text
    input count as int
    input pages as whole number
    input weight as number
    input price as currency, required
    input share as percentage
    input due as date
    input begins as date and time
    input takes as time span
    input ok as bool
    input done as yes or no
    input mail as email
    input phone as phone
    input site as link
    input attachment as file
    input attachments as files
    input photo as image
    input scan as pdf
    input sheet as csv
    input place as address
    input tint as color
    input signed as signature
    input tags as list of text
    input parent as Note
    submit "Save note" calls add_note
  panels:
    panel "Drafts", small:
      show drafts as list
    panel "Editor":
      text "Pick a draft"
    panel "Preview", large:
      card:
        text preview
