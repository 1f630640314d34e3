// Running an external program: an argument vector (never a command line for a shell), data for
// its standard input, its standard output and error captured whole, and a time limit.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "result.h"

namespace pellix::os {

struct ProcessRequest {
  // The program and its arguments; a program name without a slash is looked up on PATH.
  std::vector<std::string> arguments;
  // Written to the program's standard input, which is then closed; without it the program
  // reads an empty standard input.
  std::optional<std::string> input;
  // Past this the program is killed; without it the wait has no end.
  std::optional<std::chrono::milliseconds> time_limit;
};

enum class ProcessEnd { Exited, Signalled, TimedOut };

struct ProcessOutcome {
  ProcessEnd end = ProcessEnd::Exited;
  int status = 0;   // the exit status, or the signal that ended the program
  std::string out;  // everything written to standard output (up to the kill, when timed out)
  std::string err;  // everything written to standard error
};

// Runs the program to its end, or until the time limit kills it; fails with the system's
// description when it cannot be started or waited for ("No such file or directory").
Result<ProcessOutcome> run_process(const ProcessRequest& request);

}  // namespace pellix::os
