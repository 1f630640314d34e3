#!/usr/bin/env python3
"""Writes a large, varied program for the benchmarks: the same small app repeated with fresh
names until the file reaches the requested size, in Pellix or, for the peers, in Lua or
Python with the same shape (records as tables or classes, jobs and flows as functions with
loops, conditions, lists, maps and calls)."""
import argparse

PLX = '''record Item{n}:
  name is text, required
  done is yes or no, default false
  price is number, default $4.99

agent helper{n} uses "claude-sonnet-4-6":
  can reason

  job greet given name as text:
    response = reason about name: write a creative greeting
    return response

flow total_{n}:
  log "Hello from flow {n}!"
  items = [1, 2, 3, {n}]
  total = 0
  for each item in items:
    total = total + item * 2 - 1
  if total above 100:
    log "big: {{total}}"
  -- a comment that the lexer skips
  discount = 15%
  order = {{name: "Café número {n}", total: total}}
  return total

page "Home {n}":
  title is "Café número {n}"

  show Item{n} as table:
    columns: name, done

'''

LUA = '''Item{n} = {{ name = "", done = false, price = 4.99 }}

helper{n} = {{ model = "claude-sonnet-4-6", can = {{ "reason" }} }}

function helper{n}.greet(name)
  local response = reason(name, "write a creative greeting")
  return response
end

function total_{n}()
  log("Hello from flow {n}!")
  local items = {{ 1, 2, 3, {n} }}
  local total = 0
  for _, item in ipairs(items) do
    total = total + item * 2 - 1
  end
  if total > 100 then
    log("big: " .. total)
  end
  -- a comment that the lexer skips
  local discount = 15
  local order = {{ name = "Café número {n}", total = total }}
  return total
end

home{n} = {{ title = "Café número {n}", show = {{ Item{n}, "table" }} }}

'''

PYTHON = '''class Item{n}:
    name = ""
    done = False
    price = 4.99


class Helper{n}:
    model = "claude-sonnet-4-6"
    can = ["reason"]

    def greet(self, name):
        response = reason(name, "write a creative greeting")
        return response


def total_{n}():
    log("Hello from flow {n}!")
    items = [1, 2, 3, {n}]
    total = 0
    for item in items:
        total = total + item * 2 - 1
    if total > 100:
        log(f"big: {{total}}")
    # a comment that the lexer skips
    discount = 15
    order = {{"name": "Café número {n}", "total": total}}
    return total


home{n} = {{"title": "Café número {n}", "show": (Item{n}, "table")}}


'''

TEMPLATES = {"plx": PLX, "lua": LUA, "python": PYTHON}
HEADERS = {"plx": 'app "Benchmark"\n\n', "lua": "", "python": ""}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output")
    parser.add_argument("--megabytes", type=float, default=10.0)
    parser.add_argument("--language", choices=sorted(TEMPLATES), default="plx")
    args = parser.parse_args()
    target = int(args.megabytes * 1024 * 1024)
    parts = [HEADERS[args.language]]
    size = len(parts[0].encode())
    n = 0
    while size < target:
        block = TEMPLATES[args.language].format(n=n)
        parts.append(block)
        size += len(block.encode())
        n += 1
    with open(args.output, "w", encoding="utf-8") as out:
        out.write("".join(parts))


if __name__ == "__main__":
    main()
