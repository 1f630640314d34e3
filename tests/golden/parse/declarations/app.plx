app "Shop"
  theme is dark
  accent is teal
  font is serif

record Order:
  track changes
  total is currency, required, must be positive, default 0
  tags is list of text
  notes is long text
  status is Status

agent clerk uses "gpt-4o":
  remembers across sessions
  can reason, read, send, call, search
  costs at most $5 per day
  allow at most 10 per minute
  narrate everything it does
  rules:
    always be polite
    never guess prices
  prefers tea
  job greet given name as text, times:
    return name

team desk is clerk, helper

to double given n as number:
  return n * 2

job tidy:
  stop

flow checkout given order as Order:
  return order

page "Order" given order as Order:
  title is "One order"

use "lib.plx"
use format_price, tax from "money.plx"

always rate = 0.2

choices Status is "open", "paid", "shipped"
