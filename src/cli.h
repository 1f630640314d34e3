// The command line: picks the command by the first argument, checks its operand, does or
// hands on its work, and is the one place that turns outcomes into exit statuses.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "ast.h"
#include "result.h"

namespace pellix {

// The process's standard streams, passed down so that tests can capture them.
struct Console {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  // Whether the error stream is a terminal, where a long task may show its progress.
  bool err_is_terminal = false;
  // Whether input and output are both a terminal, where lines are typed and can be edited.
  bool in_and_out_are_terminals = false;
  // Whether the process ends as soon as the command returns, so that what a run built up
  // (every value a program made) need not be taken apart piece by piece first.
  bool process_ends_after = false;
};

// Runs one command line (`args[0]` is the program's path) and yields the exit status.
int run_command_line(const std::vector<std::string>& args, Console& console);

// Yields the whole file as UTF-8 text, or the error "Could not read {path}: {reason}".
Result<std::string> read_source(const std::string& path);

// Reads, tokenizes and parses a file. Every failure is reported on the error stream here (a
// read failure as its message, a lexical or syntax error as "\n  error at {path}:\n  {error}\n\n"),
// so callers only end with status 1 when nothing comes back.
std::optional<Program> load_program(const std::string& path, Console& console);

// Checks `program` and writes its warnings and errors to the error stream; yields whether it
// is free of errors (warnings never count).
bool print_diagnostics(const Program& program, Console& console);

// The `check` command: the diagnostics, then the report of the file's declarations. Status 0
// whether or not the checker found errors; 1 when the file does not load.
int check_command(const std::string& path, Console& console);

// The `show` command: the app, records, agents, flows and page routes of the file, without
// checking it. Status 1 when the file does not load.
int show_command(const std::string& path, Console& console);

// The `new` command: writes the sample program to `path`, which must not exist yet (nothing
// already there is ever replaced), and says how to try it. Status 1 when something is
// already at the path or the file cannot be written.
int new_command(const std::string& path, Console& console);

// The `watch` command: the check report whenever the file changes, polled twice a second.
// Runs until the process is stopped; errors are reported and the watching goes on.
[[noreturn]] void watch_command(const std::string& path, Console& console);

// The `install`, `uninstall` and `list` commands over the capabilities of the user's home
// folder. Status 1, with the registry's message, when installing or removing fails.
int install_command(const std::string& name, Console& console);
int uninstall_command(const std::string& name, Console& console);
int list_command(Console& console);

// The `test` command: runs the inline tests and reports each. Status 1 when the program does not
// load, has checker errors, or a test failed.
int test_command(const std::string& path, Console& console);

// The `cost` command: the estimated cost of one run, without running anything and without the
// checker. Status 1 only when the program does not load.
int cost_command(const std::string& path, Console& console);

// The `bench` command (`args` is the whole command line): the table of timings and costs of
// every flow without parameters, run `--runs` times each. Status 1 when the program does not
// load or has checker errors.
int bench_command(const std::vector<std::string>& args, Console& console);

// The `run` command (`args` is the whole command line): the named flow, or the first flow
// without parameters, with its result, cost and time. Status 1 when the program does not load,
// has checker errors, or a named flow fails.
int run_command(const std::vector<std::string>& args, Console& console);

// The value of `bench --runs N`: 10 unless a valid unsigned 64-bit count follows "--runs".
std::uint64_t runs_option(const std::vector<std::string>& args);

// The `serve` command (`args` is the whole command line): the API server on `--port`, until
// the process is stopped. Status 1 when the program does not load, has checker errors, or
// the server cannot start or fails.
int serve_command(const std::vector<std::string>& args, Console& console);

// The value of `serve --port N`: 3000 unless a valid port (0 to 65535) follows "--port".
std::uint16_t port_option(const std::vector<std::string>& args);

}  // namespace pellix
