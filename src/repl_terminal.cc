// Lines typed at a terminal, with libedit's line editing and a history of the session's lines.
#include <histedit.h>
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <ostream>
#include <string>

#include "repl_input.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr int kHistorySize = 1000;

// libedit reads characters in the encoding of the locale, and the language is UTF-8 whatever
// the user's settings say; so the user's locale is taken only when it is a UTF-8 one.
void use_utf8_characters() {
  const char* chosen = std::setlocale(LC_CTYPE, "");
  if (chosen == nullptr || std::string_view(nl_langinfo(CODESET)) != "UTF-8") {
    std::setlocale(LC_CTYPE, "C.UTF-8");
  }
}

class TerminalReader final : public LineReader {
 public:
  // Takes over the process's terminal; yields null when libedit cannot be set up.
  static std::unique_ptr<TerminalReader> open(std::ostream& out) {
    std::unique_ptr<TerminalReader> reader(new TerminalReader(out));
    if (reader->editor_ == nullptr || reader->history_ == nullptr) return nullptr;
    return reader;
  }

  TerminalReader(const TerminalReader&) = delete;
  TerminalReader& operator=(const TerminalReader&) = delete;

  ~TerminalReader() override {
    if (editor_ != nullptr) el_end(editor_);
    if (history_ != nullptr) history_end(history_);
    std::setlocale(LC_CTYPE, previous_locale_.c_str());
  }

  ReadStatus read(std::string_view prompt, std::string& line) override {
    // libedit writes to the C stream; what this program printed must come before the prompt.
    out_.flush();
    if (!out_) return ReadStatus::End;
    prompt_.assign(prompt);
    int count = 0;
    const char* typed = el_gets(editor_, &count);
    // Ctrl+D on an empty line, or a terminal that went away.
    if (typed == nullptr || count <= 0) return ReadStatus::End;
    line.assign(typed, static_cast<std::size_t>(count));
    if (line.ends_with('\n')) line.pop_back();
    if (line.size() > kMaxLineBytes) {
      line.clear();
      return ReadStatus::TooLong;
    }
    if (!trim_unicode_white_space(line).empty()) {
      HistEvent event;
      history(history_, &event, H_ENTER, line.c_str());
    }
    return ReadStatus::Line;
  }

 private:
  explicit TerminalReader(std::ostream& out)
      : out_(out), previous_locale_(std::setlocale(LC_CTYPE, nullptr)) {
    use_utf8_characters();
    editor_ = el_init("pellix", stdin, stdout, stderr);
    history_ = history_init();
    if (editor_ == nullptr || history_ == nullptr) return;
    HistEvent event;
    history(history_, &event, H_SETSIZE, kHistorySize);
    history(history_, &event, H_SETUNIQUE, 1);
    el_set(editor_, EL_CLIENTDATA, this);
    el_set(editor_, EL_PROMPT, &TerminalReader::prompt_of);
    el_set(editor_, EL_EDITOR, "emacs");
    // On Ctrl+C and the like libedit puts the terminal back before the signal takes its
    // usual course.
    el_set(editor_, EL_SIGNAL, 1);
    el_set(editor_, EL_HIST, history, history_);
    // The user's own key bindings in ~/.editrc, as every libedit program reads them.
    el_source(editor_, nullptr);
  }

  static char* prompt_of(EditLine* editor) {
    void* reader = nullptr;
    el_get(editor, EL_CLIENTDATA, &reader);
    return static_cast<TerminalReader*>(reader)->prompt_.data();
  }

  std::ostream& out_;
  std::string previous_locale_;
  std::string prompt_;
  EditLine* editor_ = nullptr;
  History* history_ = nullptr;
};

}  // namespace

std::unique_ptr<LineReader> make_terminal_reader(std::istream& in, std::ostream& out) {
  if (auto reader = TerminalReader::open(out)) return reader;
  return make_stream_reader(in, out);
}

}  // namespace pellix
