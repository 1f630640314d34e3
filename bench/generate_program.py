#!/usr/bin/env python3
"""Writes a large, varied .plx program for the benchmarks: the declarations of a small app
repeated with fresh names until the file reaches the requested size."""
import argparse

TEMPLATE = '''record Item{n}:
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
  if total is above 100:
    log "big: {{total}}"
  -- a comment that the lexer skips
  discount = 15%
  return total

page "Home {n}":
  title is "Café número {n}"

  show Item{n} as table:
    columns: name, done

'''


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("output")
    parser.add_argument("--megabytes", type=float, default=10.0)
    args = parser.parse_args()
    target = int(args.megabytes * 1024 * 1024)
    parts = ['app "Benchmark"\n\n']
    size = len(parts[0].encode())
    n = 0
    while size < target:
        block = TEMPLATE.format(n=n)
        parts.append(block)
        size += len(block.encode())
        n += 1
    with open(args.output, "w", encoding="utf-8") as out:
        out.write("".join(parts))


if __name__ == "__main__":
    main()
