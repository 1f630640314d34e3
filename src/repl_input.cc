// Plain lines from a stream, for input that is not typed at a terminal (a pipe, a file).
#include "repl_input.h"

#include <istream>
#include <ostream>
#include <streambuf>

namespace pellix {
namespace {

class StreamReader final : public LineReader {
 public:
  StreamReader(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  ReadStatus read(std::string_view prompt, std::string& line) override {
    out_ << prompt;
    out_.flush();
    // Nobody would see the answers, so reading on would only run lines blindly.
    if (!out_) return ReadStatus::End;
    return read_line(line);
  }

 private:
  // Reads up to and including the line break. Bytes past the limit are read and dropped,
  // so a line of any length costs bounded memory.
  ReadStatus read_line(std::string& line) {
    line.clear();
    std::streambuf* buffer = in_.rdbuf();
    if (buffer == nullptr) return ReadStatus::End;
    bool read_any = false;
    bool too_long = false;
    using Traits = std::streambuf::traits_type;
    for (Traits::int_type next = buffer->sbumpc(); !Traits::eq_int_type(next, Traits::eof());
         next = buffer->sbumpc()) {
      read_any = true;
      const char byte = Traits::to_char_type(next);
      if (byte == '\n') break;
      if (line.size() < kMaxLineBytes) {
        line += byte;
      } else {
        too_long = true;
      }
    }
    if (!read_any) return ReadStatus::End;
    if (too_long) {
      line.clear();
      return ReadStatus::TooLong;
    }
    return ReadStatus::Line;
  }

  std::istream& in_;
  std::ostream& out_;
};

}  // namespace

std::unique_ptr<LineReader> make_stream_reader(std::istream& in, std::ostream& out) {
  return std::make_unique<StreamReader>(in, out);
}

}  // namespace pellix
