// The parser's shared steps and the top-level loop.
#include "parser.h"

#include <algorithm>
#include <array>

#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kExpectedIndentedBlock = "expected indented block";
constexpr std::string_view kExpectedIdentifierInList = "expected identifier";
constexpr std::string_view kExpectedNumberAfterDollar = "expected number after $";
constexpr std::string_view kNestingTooDeep = "nesting too deep";

// Keeps a parser on an empty token list at a well-defined end.
constexpr std::array<SpannedToken, 1> kOnlyEof = {SpannedToken{Token(TokenKind::Eof), 1, 1}};

// The keywords that a name list accepts as names.
std::optional<std::string_view> keyword_as_name(TokenKind kind) {
  if (kind == TokenKind::Reason) return "reason";
  if (kind == TokenKind::Read) return "read";
  if (kind == TokenKind::Send) return "send";
  if (kind == TokenKind::Call) return "call";
  return std::nullopt;
}

}  // namespace

std::string ParseError::text() const { return format_positioned(line, column, message); }

Parser::Parser(std::span<const SpannedToken> tokens)
    : tokens_(tokens.empty() || tokens.back().token.kind() != TokenKind::Eof
                  ? std::span<const SpannedToken>(kOnlyEof)
                  : tokens) {}

// program -> { Newline } { declaration { Newline } } Eof
Parsed<Program> Parser::parse() {
  Program program;
  while (true) {
    skip_newlines();
    if (at(TokenKind::Eof)) return program;
    PX_TRY(auto declaration, parse_declaration());
    program.declarations.push_back(std::move(declaration));
  }
}

const Token& Parser::peek_next() const {
  return tokens_[std::min(pos_ + 1, tokens_.size() - 1)].token;
}

bool Parser::at_word(std::string_view word) const {
  return at(TokenKind::Identifier) && current().text() == word;
}

// Never moves past the final Eof, so a construct cut short by the end of input fails there.
void Parser::advance() {
  if (pos_ + 1 < tokens_.size()) ++pos_;
}

void Parser::skip_newlines() {
  while (at(TokenKind::Newline)) advance();
}

Unexpected<ParseError> Parser::fail(std::string message) const {
  const SpannedToken& spanned = tokens_[pos_];
  return unexpected(ParseError{std::move(message), spanned.line, spanned.column});
}

Unexpected<ParseError> Parser::fail_found(std::string_view what) const {
  std::string message = "expected ";
  message += what;
  message += ", found ";
  append_debug_text(message, current());
  return fail(std::move(message));
}

Parsed<void> Parser::expect(const Token& token) {
  if (current() == token) {
    advance();
    return {};
  }
  return fail_found(debug_text(token));
}

Parsed<std::string> Parser::expect_string() {
  if (!at(TokenKind::StringLit)) return fail_found("a string");
  std::string text(current().text());
  advance();
  return text;
}

Parsed<std::string> Parser::expect_identifier() {
  if (!at(TokenKind::Identifier)) return fail_found("an identifier");
  std::string text(current().text());
  advance();
  return text;
}

Parsed<void> Parser::expect_indent() {
  skip_newlines();
  if (!at(TokenKind::Indent)) return fail(std::string(kExpectedIndentedBlock));
  advance();
  return {};
}

bool Parser::at_block_end() const { return at(TokenKind::Dedent) || at(TokenKind::Eof); }

void Parser::end_block() {
  if (at(TokenKind::Dedent)) advance();
}

bool Parser::at_line_end() const {
  return at(TokenKind::Newline) || at(TokenKind::Dedent) || at(TokenKind::Eof);
}

// Free text is kept as the tokens' debug texts joined by spaces, not as the source spelling.
std::string Parser::rest_of_line() {
  std::string text;
  while (!at_line_end()) {
    append_debug_text(text, current());
    text += ' ';
    advance();
  }
  if (!text.empty()) text.pop_back();
  return text;
}

void Parser::skip_line() {
  while (!at_line_end()) advance();
}

// name_list -> name { "," name }, a name being an identifier or reason, read, send, call
Parsed<std::vector<std::string>> Parser::name_list() {
  std::vector<std::string> names;
  while (true) {
    if (at(TokenKind::Identifier)) {
      names.emplace_back(current().text());
    } else if (const auto keyword = keyword_as_name(current().kind())) {
      names.emplace_back(*keyword);
    } else if (names.empty()) {
      return fail(std::string(kExpectedIdentifierInList));
    } else {
      return names;  // a trailing comma stays consumed
    }
    advance();
    if (!at(TokenKind::Comma)) return names;
    advance();
  }
}

// number -> Decimal | Integer | "$" ( Decimal | Integer )
Parsed<double> Parser::number() {
  if (at(TokenKind::DollarSign)) {
    advance();
    if (!at(TokenKind::Integer) && !at(TokenKind::Decimal)) {
      return fail(std::string(kExpectedNumberAfterDollar));
    }
  }
  if (at(TokenKind::Decimal)) {
    const double value = current().decimal_value();
    advance();
    return value;
  }
  if (at(TokenKind::Integer)) {
    const auto value = static_cast<double>(current().integer_value());
    advance();
    return value;
  }
  return fail_found("a number");
}

Parsed<void> Parser::deeper(NestingScope& scope) {
  if (depth_.nesting >= kMaxNesting) return fail(std::string(kNestingTooDeep));
  ++depth_.nesting;
  ++scope.nesting_;
  return longer(scope);
}

Parsed<void> Parser::longer(NestingScope& scope) {
  if (depth_.tree >= kMaxTreeDepth) return fail(std::string(kNestingTooDeep));
  ++depth_.tree;
  ++scope.tree_;
  return {};
}

}  // namespace pellix
