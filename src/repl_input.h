// Where the interactive mode's lines come from: a plain stream, or a terminal with line
// editing. Shared by the files of the repl module only.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace pellix {

// The longest line that is read; the rest of a longer one is passed over, so that endless
// input without line breaks cannot take all memory.
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

enum class ReadStatus {
  Line,     // a line, perhaps the last one without a line break
  TooLong,  // a line longer than kMaxLineBytes, passed over whole
  End,      // the end of input, a failed read, or output that can no longer be written
};

class LineReader {
 public:
  virtual ~LineReader() = default;
  // Shows `prompt`, then reads the next line into `line`, without its line break.
  virtual ReadStatus read(std::string_view prompt, std::string& line) = 0;
};

// Lines from `in`, the prompt written to `out` and flushed before each read.
std::unique_ptr<LineReader> make_stream_reader(std::istream& in, std::ostream& out);

// Lines typed at the process's terminal with editing and history; `out` is flushed before each
// prompt so that what was printed comes before it. Plain lines from `in` when the terminal
// cannot be set up for editing.
std::unique_ptr<LineReader> make_terminal_reader(std::istream& in, std::ostream& out);

}  // namespace pellix
