app "All"

record Empty:
  track changes

record Pair:
  a is text
  a is number

agent lone:
  narrate

agent helper uses "gpt-4o":
  can reason
  job one:
    stop

team solo is helper

team crew is helper, ghost

to double given n:
  return n * 2

to shout given x:
  log x
  y = reason about x

job tidy:
  stop

flow main:
  log "hi"
  stop

page "Untitled":
  text "no title here"

use "lib.plx"

always rate = 0.2

choices Status is "open"
