#include "progress_line.h"

#include <string>

#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kEraseLine = "\r\x1b[K";
constexpr std::size_t kMaxColumns = 79;

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, std::ostream& err, Timing timing)
    : out_(out),
      err_(err),
      timing_(timing),
      started_(Clock::now()),
      buffer_(*this, *out.rdbuf()),
      output_(&buffer_) {}

bool ProgressLine::is_due() const {
  const Clock::time_point now = Clock::now();
  if (now - started_ < timing_.show_after) return false;
  return !last_drawn_ || now - *last_drawn_ >= timing_.redraw_every;
}

// The task's output written since the line was last drawn is still buffered; it goes out first,
// onto the line already erased, so the new line lands below it.
void ProgressLine::show(std::string_view text) {
  out_.flush();
  std::string line(kEraseLine);
  line.append(head_within_columns(text, kMaxColumns));
  err_ << line << std::flush;
  is_shown_ = true;
  last_drawn_ = Clock::now();
}

void ProgressLine::erase() {
  if (!is_shown_) return;
  err_ << kEraseLine << std::flush;
  is_shown_ = false;
}

ProgressLine::ErasingBuffer::int_type ProgressLine::ErasingBuffer::overflow(int_type character) {
  if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(0);
  line_.erase();
  return target_.sputc(traits_type::to_char_type(character));
}

std::streamsize ProgressLine::ErasingBuffer::xsputn(const char* text, std::streamsize count) {
  line_.erase();
  return target_.sputn(text, count);
}

}  // namespace pellix
