// The operating system behind small functions, so that modules never call it directly.
#pragma once

#include <string>

#include "result.h"

namespace pellix::os {

// Yields the whole content of the file at `path`; the error is the system's description of
// the failure ("No such file or directory").
Result<std::string> read_file(const std::string& path);

// True when the open file `descriptor` is a terminal.
bool is_terminal(int descriptor);

}  // namespace pellix::os
