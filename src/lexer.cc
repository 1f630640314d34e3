#include "lexer.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

// Every message the lexer reports.
constexpr std::string_view kUnterminatedString = "unterminated string";
constexpr std::string_view kInvalidCurrency = "invalid currency: $";
constexpr std::string_view kInvalidPercentage = "invalid percentage: ";
constexpr std::string_view kInvalidNumber = "invalid number: ";
constexpr std::string_view kLonePipe = "unexpected character '|', did you mean '|>'?";
constexpr std::string_view kUnexpectedCharacter = "unexpected character '";
constexpr std::string_view kBadIndentation = "indentation does not match any previous level";
constexpr std::string_view kSourceTooLarge = "the source text is larger than 4 GiB";

constexpr std::size_t kMaxSourceSize = std::size_t{1} << 32;

constexpr char32_t kEmDash = 0x2014;
constexpr char32_t kBoxHorizontal = 0x2500;

bool is_ascii_digit(char32_t c) { return c >= '0' && c <= '9'; }

// ASCII classes by table: the lexer asks about every character of every word.
enum AsciiClass : std::uint8_t { kOther = 0, kWordStart = 1, kWordPart = 2 };

constexpr std::array<std::uint8_t, 128> build_ascii_classes() {
  std::array<std::uint8_t, 128> classes{};
  for (int c = 0; c < 128; ++c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
      classes[static_cast<std::size_t>(c)] = kWordStart | kWordPart;
    } else if (c >= '0' && c <= '9') {
      classes[static_cast<std::size_t>(c)] = kWordPart;
    }
  }
  return classes;
}

constexpr std::array<std::uint8_t, 128> kAsciiClasses = build_ascii_classes();

bool is_word_start(char32_t c) {
  if (c < 0x80) return (kAsciiClasses[c] & kWordStart) != 0;
  return is_alphabetic(c);
}

bool is_word_part(char32_t c) {
  if (c < 0x80) return (kAsciiClasses[c] & kWordPart) != 0;
  return is_alphabetic(c) || is_numeric(c);
}

// Reads a run of digits and dots the way a standard decimal reader does ("5." is 5.0).
// Values too large for a double are unreadable; values too small read as zero or subnormal.
std::optional<double> read_decimal(std::string_view run) {
  double value = 0;
  const auto [end, error] = std::from_chars(run.data(), run.data() + run.size(), value);
  if (end != run.data() + run.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    // Without an exponent, out of range can only mean too many digits before the dot.
    const std::size_t dot = run.find('.');
    const std::string_view whole = run.substr(0, dot);
    if (whole.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
    return 0.0;
  }
  if (error != std::errc()) return std::nullopt;
  return value;
}

std::optional<std::int64_t> read_integer(std::string_view run) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(run.data(), run.data() + run.size(), value);
  if (error != std::errc() || end != run.data() + run.size()) return std::nullopt;
  return value;
}

// A run of digits and dots as an Integer or Decimal token.
std::optional<Token> read_number(std::string_view run) {
  if (run.find('.') != std::string_view::npos) {
    const auto value = read_decimal(run);
    if (!value) return std::nullopt;
    return Token::decimal(*value);
  }
  const auto value = read_integer(run);
  if (!value) return std::nullopt;
  return Token::integer(*value);
}

}  // namespace

std::string LexerError::text() const { return format_positioned(line, column, message); }

Lexer::Lexer(std::string source) : source_(std::make_unique<std::string>(std::move(source))) {
  if (find_invalid_utf8(*source_)) *source_ = replace_invalid_utf8(*source_);
  text_ = *source_;
}

char32_t Lexer::peek_slow(std::size_t ahead) const {
  std::size_t offset = pos_;
  for (; ahead > 0 && offset < text_.size(); --ahead) offset += sequence_length(text_[offset]);
  if (offset >= text_.size()) return 0xFFFFFFFF;  // no code point: matches nothing
  const auto byte = static_cast<unsigned char>(text_[offset]);
  if (byte < 0x80) return byte;
  return decode_utf8(text_, offset).code_point;
}

void Lexer::advance_line() {
  ++pos_;
  ++line_;
  column_ = 1;
}

LexerError Lexer::error_here(std::string message) const {
  return LexerError{std::move(message), line_, column_};
}

void Lexer::emit(Token token, std::size_t line, std::size_t column) {
  tokens_.push_back(
      SpannedToken{token, static_cast<std::uint32_t>(line), static_cast<std::uint32_t>(column)});
}

// A line that held only tabs and spaces, or a tab before a comment, ends with a second line
// feed in a row; only one Newline is kept, and none before the first token.
void Lexer::emit_newline() {
  if (tokens_.empty() || tokens_.back().token.kind() == TokenKind::Newline) return;
  emit(Token(TokenKind::Newline), line_, column_);
}

Result<TokenList, LexerError> Lexer::tokenize() {
  // Positions and text lengths are kept in 32 bits.
  if (text_.size() >= kMaxSourceSize) {
    return unexpected(LexerError{std::string(kSourceTooLarge), 1, 1});
  }
  // Typical programs hold a token for every five or six bytes; reserving up front spares the
  // copies of a growing list.
  tokens_.reserve(text_.size() / 4 + 16);
  while (!at_end()) {
    if (at_line_start_) {
      PX_CHECK(measure_indentation());
    } else {
      PX_CHECK(lex_token());
    }
  }
  finish();
  return TokenList(std::move(source_), std::move(tokens_));
}

// At the end of input every open block closes, then Eof; all at the position past the end.
void Lexer::finish() {
  while (indent_stack_.size() > 1) {
    indent_stack_.pop_back();
    emit(Token(TokenKind::Dedent), line_, column_);
  }
  emit(Token(TokenKind::Eof), line_, column_);
}

// Counts the leading spaces of a line, passing over blank lines and comment lines, which
// change nothing. A tab or any other character ends the count.
Lexer::Status Lexer::measure_indentation() {
  std::size_t width = 0;
  while (!at_end()) {
    const char32_t c = peek();
    if (c == ' ') {
      ++width;
      advance();
    } else if (c == '\r') {
      advance();
    } else if (c == '\n') {
      advance_line();
      width = 0;
    } else if ((c == '-' && peek(1) == '-') || c == kEmDash || c == kBoxHorizontal) {
      skip_to_line_end();
      width = 0;
    } else {
      at_line_start_ = false;
      return apply_indentation(width);
    }
  }
  at_line_start_ = false;  // trailing blank or comment lines change no indentation
  return {};
}

Lexer::Status Lexer::apply_indentation(std::size_t width) {
  if (width > indent_stack_.back()) {
    indent_stack_.push_back(width);
    emit(Token(TokenKind::Indent), line_, 1);
    return {};
  }
  while (width < indent_stack_.back()) {
    indent_stack_.pop_back();
    emit(Token(TokenKind::Dedent), line_, 1);
  }
  if (width != indent_stack_.back()) {
    return unexpected(LexerError{std::string(kBadIndentation), line_, 1});
  }
  return {};
}

Lexer::Status Lexer::lex_token() {
  const char32_t c = peek();
  switch (c) {
    case ' ':
    case '\t':
    case '\r':
      // Runs of blanks are common: pass them in one go.
      do {
        ++pos_;
        ++column_;
      } while (!at_end() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r'));
      return {};
    case '\n':
      emit_newline();
      advance_line();
      at_line_start_ = true;
      return {};
    case '"':
      return lex_string();
    case '$':
      return lex_currency();
    default:
      break;
  }
  if (is_ascii_digit(c)) return lex_number();
  if (c < 0x80 && (kAsciiClasses[c] & kWordStart) != 0) {
    lex_word();
    return {};
  }
  if (starts_comment_in_line()) {
    skip_to_line_end();
    return {};
  }
  if (is_word_start(c)) {
    lex_word();
    return {};
  }
  return lex_operator(c);
}

// Inside a line a comment starts with "--", two em dashes, or one box-drawing horizontal.
bool Lexer::starts_comment_in_line() const {
  const char32_t c = peek();
  if (c == '-' || c == kEmDash) return peek(1) == c;
  return c == kBoxHorizontal;
}

void Lexer::skip_to_line_end() {
  while (!at_end() && text_[pos_] != '\n') advance();
}

// A string runs to the next double quote; there are no escapes, and line feeds belong to it.
Lexer::Status Lexer::lex_string() {
  const std::size_t line = line_;
  const std::size_t column = column_;
  advance();
  const std::size_t start = pos_;
  while (!at_end() && text_[pos_] != '"') {
    if (text_[pos_] == '\n') {
      advance_line();
    } else {
      advance();
    }
  }
  if (at_end()) return unexpected(LexerError{std::string(kUnterminatedString), line, column});
  const std::string_view text = text_.substr(start, pos_ - start);
  advance();
  emit(Token::string_lit(text), line, column);
  return {};
}

// A number is the longest run of ASCII digits and dots; a "%" right after it makes a
// Decimal of the value as written ("50%" is 50.0).
Lexer::Status Lexer::lex_number() {
  const std::size_t line = line_;
  const std::size_t column = column_;
  const std::size_t start = pos_;
  while (!at_end() &&
         (is_ascii_digit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.')) {
    advance();
  }
  const std::string_view run = text_.substr(start, pos_ - start);
  if (!at_end() && text_[pos_] == '%') {
    advance();
    const auto value = read_decimal(run);
    if (!value) {
      std::string message(kInvalidPercentage);
      message.append(run).append("%");
      return unexpected(LexerError{std::move(message), line, column});
    }
    emit(Token::decimal(*value), line, column);
    return {};
  }
  auto token = read_number(run);
  if (!token) {
    return unexpected(LexerError{std::string(kInvalidNumber).append(run), line, column});
  }
  emit(std::move(*token), line, column);
  return {};
}

// "$" before a digit or a dot reads the number after it and leaves no trace of itself.
Lexer::Status Lexer::lex_currency() {
  const std::size_t line = line_;
  const std::size_t column = column_;
  advance();
  const auto is_number_part = [this] {
    return !at_end() &&
           (is_ascii_digit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.');
  };
  if (!is_number_part()) {
    emit(Token(TokenKind::DollarSign), line, column);
    return {};
  }
  const std::size_t start = pos_;
  while (is_number_part()) advance();
  const std::string_view run = text_.substr(start, pos_ - start);
  auto token = read_number(run);
  if (!token) {
    return unexpected(LexerError{std::string(kInvalidCurrency).append(run), line, column});
  }
  emit(std::move(*token), line, column);
  return {};
}

void Lexer::lex_word() {
  const std::size_t line = line_;
  const std::size_t column = column_;
  const std::size_t start = pos_;
  while (!at_end()) {
    const auto byte = static_cast<unsigned char>(text_[pos_]);
    if (byte < 0x80) {
      if ((kAsciiClasses[byte] & kWordPart) == 0) break;
      ++pos_;
    } else {
      const DecodedCodePoint decoded = decode_utf8(text_, pos_);
      if (!is_word_part(decoded.code_point)) break;
      pos_ += decoded.length;
    }
    ++column_;
  }
  const std::string_view word = text_.substr(start, pos_ - start);
  if (const auto keyword = keyword_from_str(word)) {
    emit(Token(*keyword), line, column);
  } else {
    emit(Token::identifier(word), line, column);
  }
}

Lexer::Status Lexer::lex_operator(char32_t c) {
  const std::size_t line = line_;
  const std::size_t column = column_;
  const auto single = [&](TokenKind kind) -> Status {
    advance();
    emit(Token(kind), line, column);
    return {};
  };
  switch (c) {
    case '-':
      if (peek(1) == '>') {
        advance();
        return single(TokenKind::Arrow);
      }
      return single(TokenKind::Minus);
    case '|':
      if (peek(1) == '>') {
        advance();
        return single(TokenKind::Pipe);
      }
      return unexpected(error_here(std::string(kLonePipe)));
    case '%':
      return single(TokenKind::Percent);
    case '(':
      return single(TokenKind::LeftParen);
    case ')':
      return single(TokenKind::RightParen);
    case '*':
      return single(TokenKind::Star);
    case '+':
      return single(TokenKind::Plus);
    case ',':
      return single(TokenKind::Comma);
    case '.':
      return single(TokenKind::Dot);
    case '/':
      return single(TokenKind::Slash);
    case ':':
      return single(TokenKind::Colon);
    case '=':
      return single(TokenKind::Equals);
    case '[':
      return single(TokenKind::LeftBracket);
    case ']':
      return single(TokenKind::RightBracket);
    case '{':
      return single(TokenKind::LeftBrace);
    case '}':
      return single(TokenKind::RightBrace);
    default: {
      std::string message(kUnexpectedCharacter);
      append_visible_code_point(message, c);
      message += '\'';
      return unexpected(error_here(std::move(message)));
    }
  }
}

}  // namespace pellix
