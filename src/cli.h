// The command line: picks the command by the first argument, checks its operand, does or
// hands on its work, and is the one place that turns outcomes into exit statuses.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "result.h"

namespace pellix {

// The process's standard streams, passed down so that tests can capture them.
struct Console {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

// Runs one command line (`args[0]` is the program's path) and yields the exit status.
int run_command_line(const std::vector<std::string>& args, Console& console);

// Yields the whole file as UTF-8 text, or the error "Could not read {path}: {reason}".
Result<std::string> read_source(const std::string& path);

// The value of `bench --runs N`: 10 unless a valid unsigned 64-bit count follows "--runs".
std::uint64_t runs_option(const std::vector<std::string>& args);

// The value of `serve --port N`: 3000 unless a valid port (0 to 65535) follows "--port".
std::uint16_t port_option(const std::vector<std::string>& args);

}  // namespace pellix
