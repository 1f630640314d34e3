// The `watch` command: the check report again whenever the file changes, for as long as the
// user edits. It is a tool for the moments when a file is broken, so no error ends it: a
// syntax error, a deleted or unreadable file is reported as `check` reports it, and the
// watching goes on.
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

#include "cli.h"
#include "os.h"

namespace pellix {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(500);

}  // namespace

void watch_command(const std::string& path, Console& console) {
  // A file that cannot be examined has no stamp; its appearance, like its disappearance, is a
  // change. Beyond the modification time the stamp holds the status change time, size and
  // identity, so that a file replaced with its old time kept, or made readable again, is
  // noticed too. It is taken before the first line, so that any change made after that line
  // is seen.
  std::optional<os::FileStamp> remembered = os::file_stamp(path);
  console.out << "\n  watching " << path << " for changes...\n\n" << std::flush;
  while (true) {
    std::this_thread::sleep_for(kPollInterval);
    std::optional<os::FileStamp> current = os::file_stamp(path);
    if (current == remembered) continue;
    remembered = current;
    console.out << "  --- " << path << " changed ---\n\n" << std::flush;
    check_command(path, console);
    // Someone reading through a pipe must see each report when it happens.
    console.out << std::flush;
    console.err << std::flush;
  }
}

}  // namespace pellix
