// The process entry: the real standard streams and arguments, handed to the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv, argv + argc);
  pellix::Console console{std::cin, std::cout, std::cerr};
  const int status = pellix::run_command_line(args, console);
  std::cout.flush();
  return status;
}
