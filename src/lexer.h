// The lexer: one source text to the list of positioned tokens the parser reads. It owns the
// layout rules (indentation as Indent/Dedent, line ends as Newline, blank and comment lines
// dropped) and the lexical forms of numbers, currency, percentages, strings and words.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "result.h"
#include "token.h"

namespace pellix {

// A lexical error at a 1-based line and column (in code points).
struct LexerError {
  std::string message;
  std::size_t line = 1;
  std::size_t column = 1;

  // "line {line}, column {column}: {message}"
  std::string text() const;
};

class Lexer {
 public:
  // Builds a lexer over `source`; ill-formed UTF-8 in it reads as U+FFFD.
  explicit Lexer(std::string source);

  // Yields the whole token list, always ending in Eof, or the first error. Call once.
  Result<TokenList, LexerError> tokenize();

 private:
  using Status = Result<void, LexerError>;

  bool at_end() const { return pos_ >= text_.size(); }
  // The code point `ahead` code points after the next one; U+FFFFFFFF past the end.
  char32_t peek(std::size_t ahead = 0) const {
    if (ahead == 0 && pos_ < text_.size()) {
      const auto byte = static_cast<unsigned char>(text_[pos_]);
      if (byte < 0x80) return byte;
    }
    return peek_slow(ahead);
  }
  char32_t peek_slow(std::size_t ahead) const;
  // Passes the next code point (the text is well-formed UTF-8 by construction).
  void advance() {
    pos_ += sequence_length(text_[pos_]);
    ++column_;
  }
  // The number of bytes of the UTF-8 sequence that `lead` starts.
  static std::size_t sequence_length(char lead) {
    const auto byte = static_cast<unsigned char>(lead);
    return byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
  }
  void advance_line();
  LexerError error_here(std::string message) const;
  void emit(Token token, std::size_t line, std::size_t column);
  void emit_newline();

  void finish();
  Status measure_indentation();
  Status apply_indentation(std::size_t width);
  Status lex_token();
  bool starts_comment_in_line() const;
  void skip_to_line_end();
  Status lex_string();
  Status lex_number();
  Status lex_currency();
  void lex_word();
  Status lex_operator(char32_t c);

  std::unique_ptr<std::string> source_;  // owned until the token list takes it over
  std::string_view text_;                // the source, being read
  std::size_t pos_ = 0;                  // byte offset of the next code point
  std::size_t line_ = 1;
  std::size_t column_ = 1;
  bool at_line_start_ = true;
  std::vector<std::size_t> indent_stack_{0};
  std::vector<SpannedToken> tokens_;
};

}  // namespace pellix
