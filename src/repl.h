// The interactive mode: each line typed runs as the one statement of a throw-away flow in a
// single long-lived interpreter, so variables, remembered facts and costs carry over from line
// to line.
#pragma once

#include <iosfwd>
#include <string_view>

#include "runtime.h"

namespace pellix {

// How lines are read: plainly from a stream, or typed at a terminal with line editing and
// history.
enum class LineEditing { Off, On };

// Runs the interactive mode until "exit", "quit" or the end of input, then prints the total
// cost. With `LineEditing::On` lines come from the process's own terminal and `in` is unused;
// everything, errors included, is written to `out`.
void start_repl(std::istream& in, std::ostream& out, LineEditing editing);

// What a line asks of the loop.
enum class Turn { Continue, Leave };

// The interpreter of one interactive session and the handling of each line read, apart from
// the reading.
class ReplSession {
 public:
  explicit ReplSession(std::ostream& out);

  // Runs `line` (as read, without its line break) and prints its outcome or its error; yields
  // `Turn::Leave` when the line is "exit" or "quit".
  Turn enter(std::string_view line);

  // Prints the closing report: the total cost of the session's model calls.
  void finish();

  Runtime& runtime() { return runtime_; }

 private:
  void print_outcome(const Result<Value>& outcome);

  std::ostream& out_;
  Runtime runtime_;
};

}  // namespace pellix
