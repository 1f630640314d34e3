// The operating system behind small functions, so that modules never call it directly.
#pragma once

#include <cstddef>
#include <string>

#include "result.h"

namespace pellix::os {

// Yields the whole content of the file at `path`; the error is the system's description of
// the failure ("No such file or directory").
Result<std::string> read_file(const std::string& path);

// Prepares the heap for about `bytes` of small allocations to come: grows it once, keeps it
// from shrinking, and asks the kernel to back it with huge pages where it can. Building the
// tree of a large program otherwise costs a page fault every 4 KiB. Never fails.
void prepare_heap(std::size_t bytes);

}  // namespace pellix::os
