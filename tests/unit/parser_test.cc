// The parser's guarantees that golden dumps cannot show: it ends on any input, never reads
// past the end, and reports nesting that would exhaust the stack as an error.
#include "parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lexer.h"

namespace pellix {
namespace {

// The outcome of parsing `source`: "ok" with the number of declarations, or the error text.
std::string parse_outcome(const std::string& source) {
  auto tokens = Lexer(source).tokenize();
  if (!tokens) return "lexer: " + tokens.error().text();
  auto program = Parser(*tokens).parse();
  if (!program) return program.error().text();
  return "ok " + std::to_string(program->declarations.size());
}

TEST(Parser, AnEmptyTokenListParsesToAnEmptyProgram) {
  auto program = Parser(std::span<const SpannedToken>()).parse();
  ASSERT_TRUE(program.has_value());
  EXPECT_TRUE(program->declarations.empty());
}

TEST(Parser, StopsAtNestingTooDeepForEveryRecursiveForm) {
  const std::string deep(kMaxNesting + 5, '(');
  const std::vector<std::string> sources = {
      "always x = " + deep + "1",
      "always x = " + std::string(kMaxNesting + 5, '[') + "1",
      "always x = " +
          [] {
            std::string s;
            for (std::size_t i = 0; i < kMaxNesting + 5; ++i) s += "compare ";
            return s;
          }(),
      "always x = 1" +
          [] {
            std::string s;
            for (std::size_t i = 0; i < kMaxTreeDepth + 5; ++i) s += " + 1";
            return s;
          }(),
      "record R:\n  x is " +
          [] {
            std::string s;
            for (std::size_t i = 0; i < kMaxNesting + 5; ++i) s += "list of ";
            return s;
          }() +
          "text\n",
      [] {
        std::string s = "flow f:\n";
        for (std::size_t i = 1; i < kMaxNesting + 5; ++i) s += std::string(i, ' ') + "if x:\n";
        return s;
      }(),
  };
  for (const std::string& source : sources) {
    SCOPED_TRACE(source.substr(0, 60));
    const std::string outcome = parse_outcome(source);
    EXPECT_TRUE(outcome.ends_with(": nesting too deep")) << outcome;
  }
}

TEST(Parser, NestingJustWithinTheLimitsParses) {
  const std::size_t depth = kMaxNesting - 10;
  EXPECT_EQ(
      parse_outcome("always x = " + std::string(depth, '(') + "1" + std::string(depth, ')') + "\n"),
      "ok 1");
  std::string chain = "always x = 1";
  for (std::size_t i = 0; i < kMaxTreeDepth - 10; ++i) chain += " * 2";
  EXPECT_EQ(parse_outcome(chain + "\n"), "ok 1");
}

// Random programs from a vocabulary of keywords, names, literals and punctuation, laid out
// on indented lines: every one must end in a program or an error, never a crash or a hang.
TEST(Parser, EndsOnRandomPrograms) {
  const std::vector<std::string> words = {
      "app",    "record",  "agent",  "flow",      "page",   "to",      "job",    "use",   "team",
      "always", "choices", "if",     "otherwise", "else",   "for",     "each",   "in",    "match",
      "try",    "check",   "send",   "call",      "run",    "create",  "update", "show",  "form",
      "input",  "submit",  "button", "card",      "panels", "panel",   "title",  "text",  "is",
      "not",    "and",     "or",     "above",     "reason", "compare", "debate", "blend", "imagine",
      "recall", "find",    "where",  "sum",       "of",     "x",       "y",      "has",   "fails",
      "1",      "2.5",     "\"s\"",  "$5",        ":",      ",",       ".",      "(",     ")",
      "[",      "]",       "{",      "}",         "->",     "|>",      "+",      "*",     "=",
  };
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string source;
    const int lines = 1 + static_cast<int>(random() % 8);
    for (int line = 0; line < lines; ++line) {
      source += std::string(2 * (random() % 4), ' ');
      const int count = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < count; ++i) source += words[random() % words.size()] + " ";
      source += '\n';
    }
    SCOPED_TRACE(source);
    const std::string outcome = parse_outcome(source);
    EXPECT_FALSE(outcome.empty());
  }
}

}  // namespace
}  // namespace pellix
