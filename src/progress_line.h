// A status line kept at the foot of a terminal while a long task runs, for tasks whose own
// output goes to standard output: the line is drawn on the error stream and erased before any
// of that output is passed on, so the output scrolls above it and its bytes stay exactly what
// they would be without the line.
#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string_view>

namespace pellix {

class ProgressLine {
 public:
  struct Timing {
    // A short task ends before the line would be worth reading.
    std::chrono::milliseconds show_after{1000};
    // Redrawing faster than a person can read only costs time.
    std::chrono::milliseconds redraw_every{100};
  };

  // `out` receives the task's output and `err`, a terminal, the line. Timing starts now.
  ProgressLine(std::ostream& out, std::ostream& err, Timing timing);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // The stream the task writes its output to.
  std::ostream& output() { return output_; }

  // True when the line should be drawn now: the task has run long enough and the line was not
  // drawn too recently.
  bool is_due() const;

  // Draws `text` in place of the line, cut to fit an 80-column terminal (a line that wrapped
  // could not be erased).
  void show(std::string_view text);

  // Removes the line, when it is shown.
  void erase();

 private:
  // Passes output on to the task's stream, erasing the line first.
  class ErasingBuffer : public std::streambuf {
   public:
    ErasingBuffer(ProgressLine& line, std::streambuf& target) : line_(line), target_(target) {}

   protected:
    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override { return target_.pubsync(); }

   private:
    ProgressLine& line_;
    std::streambuf& target_;
  };

  using Clock = std::chrono::steady_clock;

  std::ostream& out_;
  std::ostream& err_;
  Timing timing_;
  Clock::time_point started_;
  std::optional<Clock::time_point> last_drawn_;
  bool is_shown_ = false;
  ErasingBuffer buffer_;
  std::ostream output_;
};

}  // namespace pellix
