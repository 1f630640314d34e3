// The interactive loop: the banner, a prompt per line, each line wrapped into a flow of its
// own, lexed, parsed, loaded and run, its outcome after an arrow, and the total at the end.
#include "repl.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "lexer.h"
#include "parser.h"
#include "repl_input.h"
#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kBanner =
    "\n"
    "  Pellix 0.1.0 \u2014 interactive mode\n"
    "  Type expressions, assignments, or .plx code.\n"
    "  Type \"exit\" or Ctrl+C to quit.\n"
    "\n";
constexpr std::string_view kPrompt = "pellix> ";
constexpr std::string_view kErrorPrefix = "  error: ";
constexpr std::string_view kArrow = "  \u2192 ";
constexpr std::string_view kTotalCost = "\n  total cost: $";
constexpr std::string_view kLineTooLong = "the line is longer than 1 MiB and was passed over";
static_assert(kMaxLineBytes == std::size_t{1} << 20, "the message names the limit");
constexpr std::string_view kInvalidUtf8 = "invalid UTF-8";
constexpr std::string_view kNulCharacter = "unexpected character '\\u{0}'";

constexpr std::string_view kExit = "exit";
constexpr std::string_view kQuit = "quit";
// The error a stop statement ends its run with: leaving on purpose, so nothing is shown.
constexpr std::string_view kStopped = "stopped";

// Each line becomes the body of this flow, replacing the one before; so the line sits on line
// 2 from column 3, which is where its errors point.
constexpr std::string_view kWrapperFlow = "__repl";
constexpr std::string_view kWrapperHead = "flow __repl:\n  ";
constexpr std::size_t kInputLine = 2;
constexpr std::size_t kInputColumn = 3;

// A NUL byte or ill-formed UTF-8 cannot be part of a line: texts made of them would reach the
// terminal and the model providers cut short or garbled. Yields the error for the first one.
std::optional<std::string> find_unreadable_byte(std::string_view input) {
  const std::size_t nul = input.find('\0');
  const std::optional<std::size_t> invalid = find_invalid_utf8(input.substr(0, nul));
  if (!invalid && nul == std::string_view::npos) return std::nullopt;
  const std::size_t offset = invalid ? *invalid : nul;
  // The bytes before it are well-formed, so each one that is not a continuation starts a
  // character, and columns count characters.
  std::size_t column = kInputColumn;
  for (const char byte : input.substr(0, offset)) {
    if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) ++column;
  }
  return format_positioned(kInputLine, column, invalid ? kInvalidUtf8 : kNulCharacter);
}

}  // namespace

ReplSession::ReplSession(std::ostream& out) : out_(out), runtime_(out) {}

Turn ReplSession::enter(std::string_view line) {
  const std::string_view input = trim_unicode_white_space(line);
  if (input.empty()) return Turn::Continue;
  if (input == kExit || input == kQuit) return Turn::Leave;
  if (const auto error = find_unreadable_byte(input)) {
    out_ << kErrorPrefix << *error << '\n';
    return Turn::Continue;
  }

  std::string source(kWrapperHead);
  source.append(input);
  auto tokens = Lexer(std::move(source)).tokenize();
  if (!tokens) {
    out_ << kErrorPrefix << tokens.error().text() << '\n';
    return Turn::Continue;
  }
  auto program = Parser(*tokens).parse();
  if (!program) {
    out_ << kErrorPrefix << program.error().text() << '\n';
    return Turn::Continue;
  }
  runtime_.load(*program);
  print_outcome(runtime_.run_flow(kWrapperFlow, {}));
  return Turn::Continue;
}

void ReplSession::print_outcome(const Result<Value>& outcome) {
  if (!outcome) {
    if (outcome.error().message != kStopped) {
      out_ << kErrorPrefix << outcome.error().message << '\n';
    }
    return;
  }
  const Value& value = *outcome;
  if (value.is(ValueKind::Nothing)) return;
  std::string text(kArrow);
  if (value.is(ValueKind::AiResult)) {
    const AiResult& answer = value.as_ai_result();
    append_display(text, answer.value);
    text += " (confidence: ";
    append_confidence(text, answer.confidence);
    text += ", cost: $";
    append_money(text, answer.cost);
    text.append(", model: ").append(answer.model).append(")");
  } else {
    append_display(text, value);
  }
  text += '\n';
  out_ << text;
}

void ReplSession::finish() {
  std::string text(kTotalCost);
  append_money(text, runtime_.total_cost);
  text += "\n\n";
  out_ << text;
}

void start_repl(std::istream& in, std::ostream& out, LineEditing editing) {
  out << kBanner;
  const std::unique_ptr<LineReader> reader =
      editing == LineEditing::On ? make_terminal_reader(in, out) : make_stream_reader(in, out);
  ReplSession session(out);
  std::string line;
  while (true) {
    const ReadStatus status = reader->read(kPrompt, line);
    if (status == ReadStatus::End) break;
    if (status == ReadStatus::TooLong) {
      out << kErrorPrefix << kLineTooLong << '\n';
      continue;
    }
    if (session.enter(line) == Turn::Leave) break;
  }
  session.finish();
}

}  // namespace pellix
