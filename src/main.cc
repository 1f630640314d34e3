// The process entry: the real standard streams and arguments, handed to the command line.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "os.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv, argv + argc);
  pellix::Console console{std::cin, std::cout, std::cerr};
  console.err_is_terminal = pellix::os::is_terminal(STDERR_FILENO);
  console.in_and_out_are_terminals =
      pellix::os::is_terminal(STDIN_FILENO) && pellix::os::is_terminal(STDOUT_FILENO);
  console.process_ends_after = true;
  const int status = pellix::run_command_line(args, console);
  std::cout.flush();
  return status;
}
