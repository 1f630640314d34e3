// The operating system behind small functions, so that modules never call it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "result.h"

namespace pellix::os {

// Yields the whole content of the file at `path`; the error is the system's description of
// the failure ("No such file or directory").
Result<std::string> read_file(const std::string& path);

// Writes `content` to the file at `path`, creating it or replacing what it held; the error is
// the system's description of the failure.
Result<void> write_file(const std::string& path, std::string_view content);

// What `create_new_file` found.
enum class NewFile { Created, AlreadyExists };

// Creates the file at `path` with `content` unless something is already there (a file, a
// folder, a link, even a broken one), in one step, so that a file made at the same moment by
// another process is never replaced. A file it created but could not fill is removed again;
// the error is the system's description of the failure.
Result<NewFile> create_new_file(const std::string& path, std::string_view content);

// What tells one state of a file from another: its times, size and identity.
struct FileStamp {
  std::int64_t modified_seconds = 0;
  std::int64_t modified_nanoseconds = 0;
  std::int64_t changed_seconds = 0;  // the status change time: permissions, links, content
  std::int64_t changed_nanoseconds = 0;
  std::int64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  bool operator==(const FileStamp&) const = default;
};

// The stamp of whatever is at `path` (links followed), or nothing when it cannot be read.
std::optional<FileStamp> file_stamp(const std::string& path);

// Creates the folder at `path` and every missing parent; yields whether it exists afterwards.
bool create_folders(const std::string& path);

// The names of the entries of the folder at `path` that are folders (or links to folders), in
// byte order; none when the folder cannot be listed.
std::vector<std::string> list_subfolders(const std::string& path);

// Removes `path` and, for a folder, everything inside; nothing there is no failure. The error
// is the system's description of the first failure.
Result<void> remove_tree(const std::string& path);

// True when the open file `descriptor` is a terminal.
bool is_terminal(int descriptor);

}  // namespace pellix::os
