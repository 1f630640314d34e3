#include "lexer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "token.h"

namespace pellix {
namespace {

using std::string_view_literals::operator""sv;

// The tokens of `source` as "line:column debug-text", the tokens of one source line on one
// output line; or "error: " and the error's text.
std::string lex(std::string_view source) {
  auto result = Lexer(std::string(source)).tokenize();
  if (!result) return "error: " + result.error().text();
  std::string out;
  std::size_t line = 0;
  for (const SpannedToken& spanned : *result) {
    if (!out.empty()) out += spanned.line == line ? ' ' : '\n';
    line = spanned.line;
    out += std::to_string(spanned.line) + ':' + std::to_string(spanned.column) + ' ' +
           debug_text(spanned.token);
  }
  return out;
}

// The debug texts of the tokens of `source`, without positions; or "error: " and the error.
std::string lex_kinds(std::string_view source) {
  auto result = Lexer(std::string(source)).tokenize();
  if (!result) return "error: " + result.error().text();
  std::string out;
  for (const SpannedToken& spanned : *result) {
    if (!out.empty()) out += ' ';
    out += debug_text(spanned.token);
  }
  return out;
}

struct Case {
  std::string_view source;
  std::string_view expected;
};

void expect_cases(const std::vector<Case>& cases, std::string (*render)(std::string_view)) {
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "source: \"" << c.source << '"');
    EXPECT_EQ(render(c.source), c.expected);
  }
}

TEST(LexerLayoutTest, IndentationOpensAndClosesBlocks) {
  expect_cases(
      {
          {"", "1:1 Eof"},
          {"\n\n  \n-- note\n   \u2014 aside\n\u2500\u2500\u2500\u2500\n", "7:1 Eof"},
          {"record Item:\n  name is text\n",
           "1:1 Record 1:8 Identifier(\"Item\") 1:12 Colon 1:13 Newline\n"
           "2:1 Indent 2:3 Identifier(\"name\") 2:8 Is 2:11 Text 2:15 Newline\n"
           "3:1 Dedent 3:1 Eof"},
          // A block that ends with the file closes without a Newline before its Dedent.
          {"flow f:\n  x",
           "1:1 Flow 1:6 Identifier(\"f\") 1:7 Colon 1:8 Newline\n"
           "2:1 Indent 2:3 Identifier(\"x\") 2:4 Dedent 2:4 Eof"},
          {"a:\n  b:\n    c:\n      d\ne\n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"b\") 2:4 Colon 2:5 Newline\n"
           "3:1 Indent 3:5 Identifier(\"c\") 3:6 Colon 3:7 Newline\n"
           "4:1 Indent 4:7 Identifier(\"d\") 4:8 Newline\n"
           "5:1 Dedent 5:1 Dedent 5:1 Dedent 5:1 Identifier(\"e\") 5:2 Newline\n"
           "6:1 Eof"},
          {"a:\n  b:\n    c\n  d\n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"b\") 2:4 Colon 2:5 Newline\n"
           "3:1 Indent 3:5 Identifier(\"c\") 3:6 Newline\n"
           "4:1 Dedent 4:3 Identifier(\"d\") 4:4 Newline\n"
           "5:1 Dedent 5:1 Eof"},
          // Growing by several levels at once opens one block.
          {"a:\n        b\n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:9 Identifier(\"b\") 2:10 Newline\n"
           "3:1 Dedent 3:1 Eof"},
          // Trailing blank lines, however indented, change nothing; the end closes the block.
          {"a:\n  b\n\n      \n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"b\") 2:4 Newline\n"
           "5:1 Dedent 5:1 Eof"},
          {"a:\n  b\n   ",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"b\") 2:4 Newline\n"
           "3:4 Dedent 3:4 Eof"},
          // Comment lines, however indented, change nothing.
          {"a:\n  b\n      -- deep\n-- shallow\n\u2014 dash\n  c\n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"b\") 2:4 Newline\n"
           "6:3 Identifier(\"c\") 6:4 Newline\n"
           "7:1 Dedent 7:1 Eof"},
          {"x -- note", "1:1 Identifier(\"x\") 1:10 Eof"},
      },
      lex);
}

TEST(LexerLayoutTest, TabsEndTheIndentationWithoutCounting) {
  expect_cases(
      {
          {"\tname\n", "1:2 Identifier(\"name\") 1:6 Newline\n2:1 Eof"},
          {"  \tname\n", "1:1 Indent 1:4 Identifier(\"name\") 1:8 Newline\n2:1 Dedent 2:1 Eof"},
          // A line of only a tab has indentation 0: it closes the block and the next indented
          // line opens a new one.
          {"a:\n  b\n\t\n  c\n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"b\") 2:4 Newline\n"
           "3:1 Dedent 3:2 Newline\n"
           "4:1 Indent 4:3 Identifier(\"c\") 4:4 Newline\n"
           "5:1 Dedent 5:1 Eof"},
          // Spaces then a tab open a block for a line with no tokens.
          {"a\n  \t\nb\n",
           "1:1 Identifier(\"a\") 1:2 Newline\n"
           "2:1 Indent 2:4 Newline\n"
           "3:1 Dedent 3:1 Identifier(\"b\") 3:2 Newline\n"
           "4:1 Eof"},
      },
      lex);
}

TEST(LexerLayoutTest, NeverEmitsTwoNewlinesInARowNorALeadingOne) {
  expect_cases(
      {
          // A tab-only line after a Newline adds none; a line of a space and a tab opens a
          // block, so its Newline stays.
          {"a\n\t\n \t \nb\n",
           "1:1 Identifier(\"a\") 1:2 Newline\n"
           "3:1 Indent 3:4 Newline\n"
           "4:1 Dedent 4:1 Identifier(\"b\") 4:2 Newline\n"
           "5:1 Eof"},
          {"a\n\t-- note\n\t\u2500 note\nb\n",
           "1:1 Identifier(\"a\") 1:2 Newline\n4:1 Identifier(\"b\") 4:2 Newline\n5:1 Eof"},
          {"\t\n\t-- note\nx\n", "3:1 Identifier(\"x\") 3:2 Newline\n4:1 Eof"},
          {"\t", "1:2 Eof"},
      },
      lex);
}

TEST(LexerLayoutTest, CarriageReturnLineEndsLexLikeLineFeeds) {
  const std::string_view with_line_feeds = "app \"A\"\nflow f:\n  x = 1\n\n  y\nz\n";
  const std::string_view with_crlf = "app \"A\"\r\nflow f:\r\n  x = 1\r\n\r\n  y\r\nz\r\n";
  EXPECT_EQ(lex_kinds(with_crlf), lex_kinds(with_line_feeds));
  EXPECT_EQ(lex_kinds(with_crlf),
            "App StringLit(\"A\") Newline Flow Identifier(\"f\") Colon Newline Indent "
            "Identifier(\"x\") Equals Integer(1) Newline Identifier(\"y\") Newline Dedent "
            "Identifier(\"z\") Newline Eof");
  // The carriage return takes a column of its own; the Newline is at the line feed.
  EXPECT_EQ(lex("a\r\n\r\nb"), "1:1 Identifier(\"a\") 1:3 Newline\n3:1 Identifier(\"b\") 3:2 Eof");
}

TEST(LexerLayoutTest, UnmatchedDedentFailsAtColumnOne) {
  expect_cases(
      {
          {"  a\n    b\n   c\n",
           "error: line 3, column 1: indentation does not match any previous level"},
          {"a:\n    b\n  c",
           "error: line 3, column 1: indentation does not match any previous level"},
          {"a:\n  b:\n    c\n\n-- note\n \td\n",
           "error: line 6, column 1: indentation does not match any previous level"},
      },
      lex);
}

TEST(LexerCommentTest, CommentsRunToTheLineEnd) {
  expect_cases(
      {
          {"x = 5 -- note\n",
           "1:1 Identifier(\"x\") 1:3 Equals 1:5 Integer(5) 1:14 Newline\n2:1 Eof"},
          {"x \u2014\u2014 note\ny",
           "1:1 Identifier(\"x\") 1:10 Newline\n2:1 Identifier(\"y\") 2:2 Eof"},
          {"x \u2500 note", "1:1 Identifier(\"x\") 1:9 Eof"},
          {"x\u2500\u2500y", "1:1 Identifier(\"x\") 1:5 Eof"},
          // At the start of a line one em dash is enough; inside a line it takes two.
          {"\u2014 heading\nx", "2:1 Identifier(\"x\") 2:2 Eof"},
          {"  \u2014 heading\nx", "2:1 Identifier(\"x\") 2:2 Eof"},
          {"x \u2014 y", "error: line 1, column 3: unexpected character '\u2014'"},
          // After a tab the line's measuring is over, so one em dash is no comment.
          {"\t\u2014 note", "error: line 1, column 2: unexpected character '\u2014'"},
          {"x--y\n", "1:1 Identifier(\"x\") 1:5 Newline\n2:1 Eof"},
          // A single hyphen at the start of a line is an ordinary character.
          {"-x\n", "1:1 Minus 1:2 Identifier(\"x\") 1:3 Newline\n2:1 Eof"},
          {"->\n", "1:1 Arrow 1:3 Newline\n2:1 Eof"},
          {"\"-- kept\" -- dropped", "1:1 StringLit(\"-- kept\") 1:21 Eof"},
      },
      lex);
}

TEST(LexerStringTest, StringsKeepTheirTextUnchanged) {
  expect_cases(
      {
          {R"(greet "Hello, {name}!")",
           R"(1:1 Identifier("greet") 1:7 StringLit("Hello, {name}!") 1:23 Eof)"},
          {R"(x = "a\nb")", R"(1:1 Identifier("x") 1:3 Equals 1:5 StringLit("a\\nb") 1:11 Eof)"},
          {R"("")", R"(1:1 StringLit("") 1:3 Eof)"},
          {"\"caf\u00e9 \u2014 \t\r\" x",
           "1:1 StringLit(\"caf\u00e9 \u2014 \\t\\r\") 1:13 Identifier(\"x\") 1:14 Eof"},
          {"\"x\"\"y\"", R"(1:1 StringLit("x") 1:4 StringLit("y") 1:7 Eof)"},
      },
      lex);
}

TEST(LexerStringTest, BackslashIsAnOrdinaryCharacter) {
  auto result = Lexer(R"("a\nb\")").tokenize();
  ASSERT_TRUE(result.has_value()) << result.error().text();
  ASSERT_EQ(result->size(), 2u);
  EXPECT_EQ((*result)[0].token, Token::string_lit("a\\nb\\"));
}

TEST(LexerStringTest, MultiLineStringKeepsLaterPositionsRight) {
  expect_cases(
      {
          {"say \"one\ntwo\" x\ny\n",
           "1:1 Identifier(\"say\") 1:5 StringLit(\"one\\ntwo\")\n"
           "2:6 Identifier(\"x\") 2:7 Newline\n"
           "3:1 Identifier(\"y\") 3:2 Newline\n"
           "4:1 Eof"},
          // The lines inside a string take no part in the layout.
          {"a:\n  s = \"x\n      y\nz\"\n  b\n",
           "1:1 Identifier(\"a\") 1:2 Colon 1:3 Newline\n"
           "2:1 Indent 2:3 Identifier(\"s\") 2:5 Equals 2:7 StringLit(\"x\\n      y\\nz\")\n"
           "4:3 Newline\n"
           "5:3 Identifier(\"b\") 5:4 Newline\n"
           "6:1 Dedent 6:1 Eof"},
      },
      lex);
}

TEST(LexerStringTest, UnterminatedStringFailsAtTheOpeningQuote) {
  expect_cases(
      {
          {"x = \"abc", "error: line 1, column 5: unterminated string"},
          {"a\n  \u00e9 \"one\ntwo\n", "error: line 2, column 5: unterminated string"},
          {"\"", "error: line 1, column 1: unterminated string"},
      },
      lex);
}

TEST(LexerNumberTest, ReadsIntegersDecimalsPercentagesAndCurrency) {
  expect_cases(
      {
          {"42", "Integer(42) Eof"},
          {"007", "Integer(7) Eof"},
          {"9223372036854775807", "Integer(9223372036854775807) Eof"},
          {"3.14", "Decimal(3.14) Eof"},
          {"5.", "Decimal(5.0) Eof"},
          {"0.1", "Decimal(0.1) Eof"},
          {"-5", "Minus Integer(5) Eof"},
          {".5", "Dot Integer(5) Eof"},
          {"1.5e3", "Decimal(1.5) Identifier(\"e3\") Eof"},
          {"3x 1_000", "Integer(3) Identifier(\"x\") Integer(1) Identifier(\"_000\") Eof"},
          {"15%", "Decimal(15.0) Eof"},
          {"50%", "Decimal(50.0) Eof"},
          {"2.5%", "Decimal(2.5) Eof"},
          {"5.%", "Decimal(5.0) Eof"},
          {"15 %", "Integer(15) Percent Eof"},
          {"99999999999999999999%", "Decimal(1e20) Eof"},
          {"$5", "Integer(5) Eof"},
          {"$4.99", "Decimal(4.99) Eof"},
          {"$.5", "Decimal(0.5) Eof"},
          {"$ 5", "DollarSign Integer(5) Eof"},
          {"$x", "DollarSign Identifier(\"x\") Eof"},
          {"$", "DollarSign Eof"},
          {"$5%", "Integer(5) Percent Eof"},
          {"$$5", "DollarSign Integer(5) Eof"},
      },
      lex_kinds);
}

TEST(LexerNumberTest, UnreadableNumbersFailAtTheirFirstCharacter) {
  expect_cases(
      {
          {"1.2.3", "error: line 1, column 1: invalid number: 1.2.3"},
          {"5..", "error: line 1, column 1: invalid number: 5.."},
          {"x = 99999999999999999999",
           "error: line 1, column 5: invalid number: 99999999999999999999"},
          {"9223372036854775808", "error: line 1, column 1: invalid number: 9223372036854775808"},
          {"a\n  rate = 1.2.3%", "error: line 2, column 10: invalid percentage: 1.2.3%"},
          {"cost $1.2.3", "error: line 1, column 6: invalid currency: $1.2.3"},
          {"cost $.", "error: line 1, column 6: invalid currency: $."},
          {"\u00e9 $99999999999999999999",
           "error: line 1, column 3: invalid currency: $99999999999999999999"},
      },
      lex);
}

TEST(LexerOperatorTest, ReadsPunctuationPipesAndArrows) {
  expect_cases(
      {
          {"= + - * / . , : ( ) [ ] { } %",
           "Equals Plus Minus Star Slash Dot Comma Colon LeftParen RightParen LeftBracket "
           "RightBracket LeftBrace RightBrace Percent Eof"},
          {"a |> b", "Identifier(\"a\") Pipe Identifier(\"b\") Eof"},
          {"a|>b", "Identifier(\"a\") Pipe Identifier(\"b\") Eof"},
          {"a -> b", "Identifier(\"a\") Arrow Identifier(\"b\") Eof"},
          {"a - b", "Identifier(\"a\") Minus Identifier(\"b\") Eof"},
          {"a-b->c", "Identifier(\"a\") Minus Identifier(\"b\") Arrow Identifier(\"c\") Eof"},
          {"- >", "error: line 1, column 3: unexpected character '>'"},
          {"a | b", "error: line 1, column 3: unexpected character '|', did you mean '|>'?"},
          {"a\n|", "error: line 2, column 1: unexpected character '|', did you mean '|>'?"},
      },
      lex_kinds);
}

TEST(LexerOperatorTest, UnknownCharactersFailWithTheCharacter) {
  for (const std::string_view c : {"<", ">", "!", "#", "'", "&", ";", "?", "@", "\\", "^", "`", "~",
                                   "\u2192", "\u00bd", "\u0663", "\U0001F600"}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(lex(std::string("x\n  y ") + std::string(c) + " z"),
              "error: line 2, column 5: unexpected character '" + std::string(c) + "'");
  }
  EXPECT_EQ(lex("x \u2192 y"), "error: line 1, column 3: unexpected character '\u2192'");
}

TEST(LexerOperatorTest, InvisibleUnexpectedCharacterIsNamedByItsCode) {
  // A raw control character in a message would be invisible, or drive the terminal.
  EXPECT_EQ(lex("x \x01"sv), "error: line 1, column 3: unexpected character '\\u{1}'");
  EXPECT_EQ(lex("x \0"sv), "error: line 1, column 3: unexpected character '\\u{0}'");
  EXPECT_EQ(lex("x \x1b[2J"sv), "error: line 1, column 3: unexpected character '\\u{1b}'");
  EXPECT_EQ(lex("\ufeffapp"), "error: line 1, column 1: unexpected character '\\u{feff}'");
  EXPECT_EQ(lex("x \u00a0y"), "error: line 1, column 3: unexpected character '\\u{a0}'");
}

TEST(LexerWordTest, ReadsKeywordsAndUnicodeIdentifiers) {
  expect_cases(
      {
          {"caf\u00e9 na\u00efve_2", "Identifier(\"caf\u00e9\") Identifier(\"na\u00efve_2\") Eof"},
          {"app record true false nothing", "App Record True False Nothing Eof"},
          {"App Record TRUE",
           "Identifier(\"App\") Identifier(\"Record\") Identifier(\"TRUE\") Eof"},
          {"yes no", "Identifier(\"yes\") Identifier(\"no\") Eof"},
          {"recorded apps to_do",
           "Identifier(\"recorded\") Identifier(\"apps\") Identifier(\"to_do\") Eof"},
          {"to: x.y", "To Colon Identifier(\"x\") Dot Identifier(\"y\") Eof"},
          {"_tmp x1 x\u00b2 \u4e2d\u6587 \u00e9t\u00e9",
           "Identifier(\"_tmp\") Identifier(\"x1\") Identifier(\"x\u00b2\") "
           "Identifier(\"\u4e2d\u6587\") Identifier(\"\u00e9t\u00e9\") Eof"},
          {"2\u00e9", "Integer(2) Identifier(\"\u00e9\") Eof"},
      },
      lex_kinds);
  // Columns count characters, not bytes.
  EXPECT_EQ(
      lex("na\u00efve \u00e9 x"),
      "1:1 Identifier(\"na\u00efve\") 1:7 Identifier(\"\u00e9\") 1:9 Identifier(\"x\") 1:10 Eof");
}

TEST(LexerWordTest, IllFormedUtf8ReadsAsReplacementCharacter) {
  EXPECT_EQ(lex("\"a\xFF\" x"), "1:1 StringLit(\"a\uFFFD\") 1:6 Identifier(\"x\") 1:7 Eof");
  EXPECT_EQ(lex("x \xC3"), "error: line 1, column 3: unexpected character '\uFFFD'");
}

TEST(LexerTest, TokenDumpOfAProgram) {
  auto result = Lexer("app \"My App\"\n\nflow greet:\n  log \"hi\" -- say it\n").tokenize();
  ASSERT_TRUE(result.has_value()) << result.error().text();
  std::ostringstream out;
  write_token_dump(out, *result);
  EXPECT_EQ(out.str(),
            "     1:1    App\n"
            "     1:5    StringLit(\"My App\")\n"
            "     1:13   Newline\n"
            "     3:1    Flow\n"
            "     3:6    Identifier(\"greet\")\n"
            "     3:11   Colon\n"
            "     3:12   Newline\n"
            "     4:1    Indent\n"
            "     4:3    Log\n"
            "     4:7    StringLit(\"hi\")\n"
            "     4:21   Newline\n"
            "     5:1    Dedent\n"
            "     5:1    Eof\n");

  auto empty = Lexer("").tokenize();
  ASSERT_TRUE(empty.has_value());
  std::ostringstream empty_out;
  write_token_dump(empty_out, *empty);
  EXPECT_EQ(empty_out.str(), "     1:1    Eof\n");
}

// Pseudo-random sources over characters that stress the layout, comment, string and number
// rules either lex into a well-formed list or fail with one of the lexer's messages.
TEST(LexerPropertyTest, RandomSourcesKeepTheTokenListWellFormed) {
  // Common pieces, and rarer ones that mostly make the source fail.
  const std::vector<std::string_view> common = {
      // Layout: spaces, tabs, line ends and comment lines.
      " ", " ", "  ", "    ", "\t", "\n", "\n", "\r\n", "\r", "\n\u2014 ", "\n  -- x",
      // Numbers, operators, words, strings and comments inside a line.
      "1", "9", ".", "$", "%", "-", "|>", ":", "a", "b", "to", "\u00e9", "\"a\n b\"",
      "\u2014\u2014", "\u2500"};
  const std::vector<std::string_view> rare = {"|", ">", "\u2014", "\u2192", "\0"sv, "\""};
  const std::vector<std::string_view> messages = {
      "unterminated string",    "invalid currency: $",
      "invalid percentage: ",   "invalid number: ",
      "unexpected character '", "indentation does not match any previous level"};
  std::mt19937 random(12345);
  int failures = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string source;
    const std::size_t length = random() % 40;
    for (std::size_t i = 0; i < length; ++i) {
      source +=
          random() % 48 == 0 ? rare[random() % rare.size()] : common[random() % common.size()];
    }
    SCOPED_TRACE(testing::Message() << "round " << round);

    auto result = Lexer(source).tokenize();
    if (!result) {
      ++failures;
      const std::string& message = result.error().message;
      bool is_known = false;
      for (const std::string_view known : messages) is_known |= message.starts_with(known);
      EXPECT_TRUE(is_known) << message;
      EXPECT_GE(result.error().line, 1u);
      EXPECT_GE(result.error().column, 1u);
      continue;
    }

    const TokenList& tokens = *result;
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens.back().token.kind(), TokenKind::Eof);
    EXPECT_NE(tokens[0].token.kind(), TokenKind::Newline);
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const TokenKind kind = tokens[i].token.kind();
      if (i + 1 < tokens.size()) {
        EXPECT_NE(kind, TokenKind::Eof) << "at token " << i;
      }
      if (kind == TokenKind::Indent) ++depth;
      if (kind == TokenKind::Dedent) --depth;
      EXPECT_GE(depth, 0) << "at token " << i;
      EXPECT_GE(tokens[i].line, 1u);
      EXPECT_GE(tokens[i].column, 1u);
      if (i == 0) continue;
      const SpannedToken& previous = tokens[i - 1];
      if (kind == TokenKind::Newline) {
        EXPECT_NE(previous.token.kind(), TokenKind::Newline) << "at token " << i;
      }
      const bool is_forward =
          tokens[i].line > previous.line ||
          (tokens[i].line == previous.line && tokens[i].column >= previous.column);
      EXPECT_TRUE(is_forward) << "token " << i << " at " << tokens[i].line << ':'
                              << tokens[i].column << " after " << previous.line << ':'
                              << previous.column;
    }
    EXPECT_EQ(depth, 0);
    if (testing::Test::HasFailure()) {
      ADD_FAILURE() << "source: " << testing::PrintToString(source) << "\n" << lex(source);
      return;
    }
  }
  // Both outcomes must be well represented for the check to mean anything.
  EXPECT_GT(failures, 400);
  EXPECT_LT(failures, 3600);
}

}  // namespace
}  // namespace pellix
