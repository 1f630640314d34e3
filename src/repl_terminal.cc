// Lines typed at a terminal, with libedit's line editing and a history of the session's lines.
// libedit is loaded only here, when a session at a terminal starts: every other command runs
// without it, and a machine without it still has the interactive mode, with plain lines.
#include <dlfcn.h>
#include <histedit.h>
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <ostream>
#include <string>
#include <type_traits>

#include "repl_input.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr int kHistorySize = 1000;
constexpr const char* kLibEditNames[] = {"libedit.so.2", "libedit.so"};

// The parts of libedit this reader uses, found in the library once loaded.
struct LibEdit {
  decltype(&::el_init) el_init = nullptr;
  decltype(&::el_end) el_end = nullptr;
  decltype(&::el_gets) el_gets = nullptr;
  decltype(&::el_set) el_set = nullptr;
  decltype(&::el_get) el_get = nullptr;
  decltype(&::el_source) el_source = nullptr;
  decltype(&::history_init) history_init = nullptr;
  decltype(&::history_end) history_end = nullptr;
  decltype(&::history) history = nullptr;

  // The library, loaded on first use and kept for the process; null when it is missing.
  static const LibEdit* get() {
    static const LibEdit* const loaded = load();
    return loaded;
  }

 private:
  static const LibEdit* load() {
    void* library = nullptr;
    for (const char* name : kLibEditNames) {
      library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
      if (library != nullptr) break;
    }
    if (library == nullptr) return nullptr;
    static LibEdit api;
    const auto find = [library](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
          ::dlsym(library, name));
      return function != nullptr;
    };
    const bool complete = find(api.el_init, "el_init") && find(api.el_end, "el_end") &&
                          find(api.el_gets, "el_gets") && find(api.el_set, "el_set") &&
                          find(api.el_get, "el_get") && find(api.el_source, "el_source") &&
                          find(api.history_init, "history_init") &&
                          find(api.history_end, "history_end") && find(api.history, "history");
    return complete ? &api : nullptr;
  }
};

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
    const LibEdit* edit = LibEdit::get();
    if (edit == nullptr) return nullptr;
    std::unique_ptr<TerminalReader> reader(new TerminalReader(*edit, out));
    if (reader->editor_ == nullptr || reader->history_ == nullptr) return nullptr;
    return reader;
  }

  TerminalReader(const TerminalReader&) = delete;
  TerminalReader& operator=(const TerminalReader&) = delete;

  ~TerminalReader() override {
    if (editor_ != nullptr) edit_.el_end(editor_);
    if (history_ != nullptr) edit_.history_end(history_);
    std::setlocale(LC_CTYPE, previous_locale_.c_str());
  }

  ReadStatus read(std::string_view prompt, std::string& line) override {
    // libedit writes to the C stream; what this program printed must come before the prompt.
    out_.flush();
    if (!out_) return ReadStatus::End;
    prompt_.assign(prompt);
    int count = 0;
    const char* typed = edit_.el_gets(editor_, &count);
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
      edit_.history(history_, &event, H_ENTER, line.c_str());
    }
    return ReadStatus::Line;
  }

 private:
  TerminalReader(const LibEdit& edit, std::ostream& out)
      : edit_(edit), out_(out), previous_locale_(std::setlocale(LC_CTYPE, nullptr)) {
    use_utf8_characters();
    editor_ = edit_.el_init("pellix", stdin, stdout, stderr);
    history_ = edit_.history_init();
    if (editor_ == nullptr || history_ == nullptr) return;
    HistEvent event;
    edit_.history(history_, &event, H_SETSIZE, kHistorySize);
    edit_.history(history_, &event, H_SETUNIQUE, 1);
    edit_.el_set(editor_, EL_CLIENTDATA, this);
    edit_.el_set(editor_, EL_PROMPT, &TerminalReader::prompt_of);
    edit_.el_set(editor_, EL_EDITOR, "emacs");
    // On Ctrl+C and the like libedit puts the terminal back before the signal takes its
    // usual course.
    edit_.el_set(editor_, EL_SIGNAL, 1);
    edit_.el_set(editor_, EL_HIST, edit_.history, history_);
    // The user's own key bindings in ~/.editrc, as every libedit program reads them.
    edit_.el_source(editor_, nullptr);
  }

  static char* prompt_of(EditLine* editor) {
    void* reader = nullptr;
    LibEdit::get()->el_get(editor, EL_CLIENTDATA, &reader);
    return static_cast<TerminalReader*>(reader)->prompt_.data();
  }

  const LibEdit& edit_;
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
