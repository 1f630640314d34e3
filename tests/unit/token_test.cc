#include "token.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {
namespace {

using std::string_view_literals::operator""sv;

// Every kind in numbering order, written out independently of the enumeration so that a
// renamed, dropped or reordered kind shows up here.
constexpr std::string_view kAllKindNames =
    "Integer Decimal StringLit True False Nothing Identifier "
    "Equals Plus Minus Star Slash Pipe Dot Comma Colon LeftParen RightParen LeftBracket "
    "RightBracket LeftBrace RightBrace Arrow DollarSign Percent Indent Dedent Newline "
    "App Record Agent Team To Job Page Flow Memory Contract "
    "Model Reason Read Check Expect Explain Prove Remember Recall Forget "
    "Learn Teach Doubt Rethink Reflect Narrate Sense Compare Debate Blend "
    "Imagine Summarize Translate Create Find Update Delete Change Save Track "
    "Send Call Run Do Add Remove Notify Flag Undo Ask "
    "Log If Else Otherwise Match For Each Repeat Return Need "
    "Try Stop Assume But Intend Instead Pause Resume Pretend Together "
    "Unless Wait Until And Or Not Is Above Below Between "
    "Contains Exists Empty Starts Ends With Past Future Weekend Certain "
    "Confident Probable Uncertain Doubtful Pass Refuse Rules Trust Allow Approve "
    "Reject Prioritize Prepare Handoff Watch Opinionated Neutral Critical Empathetic Perspective "
    "Keep Similar Show Form Input Button Submit Beside Text Chat "
    "Live Primary Secondary Muted Urgent Danger Today Now Every After "
    "At In Background Expires Use From Python Javascript Shell Connect "
    "Secret Environment On Webhook Event Announce Auth Roles Can Own "
    "Confirm Always Choices As Given Of Per Many All First "
    "Last Latest Sorted Ascending Descending Reversed Where Max About Determine "
    "Confidence Ground Budget Costs Most Uses Across Sessions Never Human Like "
    "Eof";

std::vector<std::string> split_words(std::string_view text) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    words.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

std::string lowercase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

TokenKind kind_at(std::size_t number) { return static_cast<TokenKind>(number); }

TEST(TokenKindTest, NamesFollowTheNumberingOrder) {
  const std::vector<std::string> expected = split_words(kAllKindNames);
  ASSERT_EQ(expected.size(), kTokenKindCount);
  for (std::size_t number = 0; number < kTokenKindCount; ++number) {
    SCOPED_TRACE(number);
    EXPECT_EQ(token_kind_name(kind_at(number)), expected[number]);
  }
}

TEST(KeywordTest, EveryKeywordKindIsSpelledAsItsLowerCaseName) {
  const std::vector<std::string> names = split_words(kAllKindNames);
  ASSERT_EQ(names.size(), kTokenKindCount);
  std::size_t keywords = 0;
  for (std::size_t number = 0; number < kTokenKindCount; ++number) {
    const TokenKind kind = kind_at(number);
    const bool is_keyword = kind == TokenKind::True || kind == TokenKind::False ||
                            kind == TokenKind::Nothing || (number >= 28 && number <= 208);
    const std::string word = lowercase(names[number]);
    SCOPED_TRACE(word);
    const std::optional<TokenKind> found = keyword_from_str(word);
    if (is_keyword) {
      ++keywords;
      ASSERT_TRUE(found.has_value());
      EXPECT_EQ(token_kind_name(*found), names[number]);
    } else {
      // "integer", "identifier", "newline", "eof" and the other non-keyword names are words.
      EXPECT_FALSE(found.has_value());
    }
  }
  EXPECT_EQ(keywords, kKeywordCount);
  EXPECT_EQ(kKeywordCount, 184u);
}

TEST(KeywordTest, OnlyExactLowerCaseSpellingsAreKeywords) {
  // Common English words, other cases and words holding a keyword are identifiers.
  const std::vector<std::string_view> ordinary_words = {
      "App",      "Record",    "TRUE",         "Nothing",     "tO",           "yes",
      "no",       "a",         "an",           "the",         "then",         "by",
      "than",     "count",     "sum",          "label",       "title",        "table",
      "required", "default",   "recorded",     "apps",        "to_do",        "app2",
      "",         "caf\u00e9", "perspectives", "javascripts", "opinionatedx", " app",
      "app "};
  for (const std::string_view word : ordinary_words) {
    SCOPED_TRACE(word);
    EXPECT_FALSE(keyword_from_str(word).has_value());
  }
}

TEST(TokenTest, EqualityComparesKindsAndValues) {
  struct Case {
    Token left;
    Token right;
    bool is_equal;
  };
  const std::vector<Case> cases = {
      {Token(TokenKind::Colon), Token(TokenKind::Colon), true},
      {Token(TokenKind::Colon), Token(TokenKind::Comma), false},
      {Token::integer(5), Token::integer(5), true},
      {Token::integer(5), Token::integer(6), false},
      {Token::integer(5), Token::decimal(5.0), false},
      {Token::decimal(0.1), Token::decimal(0.1), true},
      {Token::decimal(0.0), Token::decimal(-0.0), true},
      {Token::decimal(0.1), Token::decimal(std::nextafter(0.1, 1.0)), false},
      {Token::string_lit("a"), Token::string_lit("a"), true},
      {Token::string_lit("a"), Token::identifier("a"), false},
      {Token::identifier("caf\u00e9"), Token::identifier("caf\u00e9"), true},
      // The same word in decomposed form is a different byte sequence.
      {Token::identifier("caf\u00e9"), Token::identifier("cafe\u0301"), false},
      {Token::identifier("Name"), Token::identifier("name"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(debug_text(c.left) + " vs " + debug_text(c.right));
    EXPECT_EQ(c.left == c.right, c.is_equal);
    EXPECT_EQ(c.right == c.left, c.is_equal);
  }
}

TEST(TokenTest, DebugTextShowsTheKindAndItsValue) {
  struct Case {
    Token token;
    std::string_view expected;
  };
  const std::vector<Case> cases = {
      {Token(TokenKind::Newline), "Newline"},
      {Token(TokenKind::LeftParen), "LeftParen"},
      {Token(TokenKind::Javascript), "Javascript"},
      {Token(TokenKind::Eof), "Eof"},
      {Token::integer(0), "Integer(0)"},
      {Token::integer(-7), "Integer(-7)"},
      {Token::integer(std::numeric_limits<std::int64_t>::max()), "Integer(9223372036854775807)"},
      {Token::integer(std::numeric_limits<std::int64_t>::min()), "Integer(-9223372036854775808)"},
      {Token::decimal(50.0), "Decimal(50.0)"},
      {Token::decimal(0.1), "Decimal(0.1)"},
      {Token::decimal(4.99), "Decimal(4.99)"},
      {Token::decimal(1e16), "Decimal(1e16)"},
      {Token::decimal(1.5e-5), "Decimal(1.5e-5)"},
      {Token::string_lit("My App"), R"(StringLit("My App"))"},
      {Token::string_lit(""), R"(StringLit(""))"},
      {Token::identifier("caf\u00e9"), "Identifier(\"caf\u00e9\")"},
      {Token::string_lit("say \"hi\"\\\n\r\t"), R"(StringLit("say \"hi\"\\\n\r\t"))"},
      {Token::string_lit("Hello, {name}!"), R"(StringLit("Hello, {name}!"))"},
      {Token::string_lit("a\0b\x7f"sv), R"(StringLit("a\u{0}b\u{7f}"))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(debug_text(c.token), c.expected);
  }
}

TEST(TokenDumpTest, WritesOneAlignedLinePerToken) {
  const std::vector<SpannedToken> tokens = {
      {Token(TokenKind::App), 1, 1},       {Token::string_lit("My App"), 1, 5},
      {Token(TokenKind::Newline), 1, 13},  {Token::string_lit("one\ntwo"), 9, 100},
      {Token(TokenKind::Indent), 1234, 1}, {Token::identifier("x"), 12345, 1234},
      {Token(TokenKind::Eof), 12346, 1},
  };
  std::ostringstream out;
  write_token_dump(out, tokens);
  EXPECT_EQ(out.str(),
            "     1:1    App\n"
            "     1:5    StringLit(\"My App\")\n"
            "     1:13   Newline\n"
            "     9:100  StringLit(\"one\\ntwo\")\n"
            "  1234:1    Indent\n"
            "  12345:1234  Identifier(\"x\")\n"
            "  12346:1    Eof\n");
}

TEST(TokenDumpTest, LongListsAreWrittenWholeAndInOrder) {
  // Large dumps are written in pieces, and long or escaped texts take another road than short
  // plain ones; none of the lines may be lost, repeated or reordered.
  const std::string long_text(300, 'x');
  const std::vector<Token> samples = {Token::identifier("word"), Token::string_lit(long_text),
                                      Token::decimal(0.25),      Token::string_lit("caf\u00e9"),
                                      Token(TokenKind::Newline), Token::string_lit("a\"b"),
                                      Token::integer(-12)};
  std::vector<SpannedToken> tokens;
  std::string expected;
  for (std::uint32_t line = 1; line <= 3000; ++line) {
    const Token& token = samples[line % samples.size()];
    tokens.push_back({token, line, line % 7 == 0 ? 1234u : 7u});
    const std::string line_digits = std::to_string(line);
    expected += "  " + std::string(line_digits.size() < 4 ? 4 - line_digits.size() : 0, ' ') +
                line_digits + (line % 7 == 0 ? ":1234  " : ":7    ") + debug_text(token) + '\n';
  }
  std::ostringstream out;
  write_token_dump(out, tokens);
  EXPECT_EQ(out.str(), expected);
}

}  // namespace
}  // namespace pellix
