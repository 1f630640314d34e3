// Hostile input from the outside: whatever bytes a file holds, every command that reads a file
// answers with its work or one clear error and status 1, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

class HostileInput : public ::testing::Test {
 protected:
  ProcessResult tokens_of(const std::string& content) {
    write_file(work_.path() / "input.plx", content);
    ProcessOptions options;
    options.working_directory = work_.path();
    options.home = home_.path();
    ProcessResult result = run_pellix({"tokens", "input.plx"}, options);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.signal, 0) << result.err.substr(0, 2000);
    return result;
  }

  TempDir work_;
  TempDir home_;
};

TEST_F(HostileInput, RandomBytesAreAReadFailureNamingTheFirstBadByte) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 5; ++round) {
    std::string content(4096, '\0');
    for (char& byte : content) byte = static_cast<char>(random() & 0xFF);
    const ProcessResult result = tokens_of(content);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty());
    EXPECT_TRUE(result.err.starts_with("Could not read input.plx: invalid UTF-8 at line "))
        << result.err;
  }
}

TEST_F(HostileInput, TruncatedSequenceAtTheEndIsAReadFailure) {
  const ProcessResult result = tokens_of("x = \"caf\xC3");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Could not read input.plx: invalid UTF-8 at line 1, column 9\n");
}

TEST_F(HostileInput, ControlCharactersAreNamedVisibly) {
  const ProcessResult nul = tokens_of(std::string("x = \0", 5));
  EXPECT_EQ(nul.status, 1);
  EXPECT_EQ(nul.err, "Lexer error: line 1, column 5: unexpected character '\\u{0}'\n");

  const ProcessResult escape = tokens_of("\n\n  y\x1b");
  EXPECT_EQ(escape.err, "Lexer error: line 3, column 4: unexpected character '\\u{1b}'\n");
}

TEST_F(HostileInput, LoneQuoteIsAnUnterminatedString) {
  const ProcessResult result = tokens_of("\"");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.out.empty());
  EXPECT_EQ(result.err, "Lexer error: line 1, column 1: unterminated string\n");
}

TEST_F(HostileInput, TenMegabyteLineLexes) {
  const std::string word(10 << 20, 'a');
  const ProcessResult result = tokens_of("x = " + word + " + 1\n");
  EXPECT_EQ(result.status, 0) << result.err.substr(0, 200);
  const std::string plus_column = std::to_string(word.size() + 6);
  EXPECT_TRUE(result.out.ends_with(
      "     1:" + plus_column + "  Plus\n     1:" + std::to_string(word.size() + 8) +
      "  Integer(1)\n     1:" + std::to_string(word.size() + 9) + "  Newline\n     2:1    Eof\n"))
      << result.out.substr(result.out.size() - 100);

  const ProcessResult string = tokens_of("x = \"" + word);
  EXPECT_EQ(string.status, 1);
  EXPECT_EQ(string.err, "Lexer error: line 1, column 5: unterminated string\n");
}

TEST_F(HostileInput, DeepIndentationOpensAndClosesEveryLevel) {
  constexpr int kLevels = 5000;
  std::string program;
  for (int level = 0; level < kLevels; ++level) program += std::string(level, ' ') + "x:\n";
  const ProcessResult result = tokens_of(program);
  EXPECT_EQ(result.status, 0);
  std::size_t dedents = 0;
  for (std::size_t at = result.out.find("Dedent"); at != std::string::npos;
       at = result.out.find("Dedent", at + 1)) {
    ++dedents;
  }
  EXPECT_EQ(dedents, kLevels - 1);
}

TEST_F(HostileInput, HugeIndentationIsOneLevel) {
  const ProcessResult result = tokens_of("a\n" + std::string(1 << 20, ' ') + "b\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.out.find("     2:1    Indent\n"), std::string::npos);
}

// Inputs that are nearly programs reach past the lexer: every cut of a real program, shuffled
// words of the language, and the extremes of size and nesting.
std::vector<std::string> hostile_programs() {
  const std::string sample =
      "app \"My App\"\n\nrecord Item:\n  name is text, required\n\n"
      "agent helper uses \"claude-sonnet-4-6\":\n  can reason\n  job greet given name:\n"
      "    response = reason about name: write a greeting\n    return response\n\n"
      "flow test_hello:\n  items = [1, 2, 3]\n  total = 0\n  for each item in items:\n"
      "    total = total + item\n  log \"sum = {total}\"\n  return total\n\n"
      "page \"Home\":\n  form:\n    input name as text\n    submit \"Add\" calls add\n";
  std::vector<std::string> programs;
  for (std::size_t cut = 0; cut < sample.size(); cut += 23) programs.push_back(sample.substr(0, cut));

  const std::vector<std::string> words = {
      "flow", "to", "job", "agent", "record", "page", "app", "if", "otherwise", "match", "for",
      "each", "in", "repeat", "3", "times", "return", "x", "y", "=", "+", "/", "0", "(", ")",
      "[", "]", "{", "}", ":", ",", ".", "\n", "\n  ", "\n    ", "\"t {x}\"", "reason",
      "about", "try", "if it fails", "stop", "need", "check", "has", "remember", "recall",
      "show", "form", "input", "as", "text", "number", "$4.99", "50%", "|>", "->", "is", "not"};
  std::mt19937 random(7);
  for (int round = 0; round < 12; ++round) {
    std::string program = "flow main:\n  ";
    for (int i = 0; i < 60; ++i) program += words[random() % words.size()] + " ";
    programs.push_back(program);
  }
  programs.push_back("flow main:\n  x = " + std::string(200000, '(') + "1");
  programs.push_back("flow main:\n  x = " + std::string(1 << 20, '7') + "\n");
  std::string deep = "flow main:\n";
  for (int level = 1; level < 400; ++level) deep += std::string(2 * level, ' ') + "if x:\n";
  programs.push_back(deep);
  programs.push_back("flow main:\n  return \"caf\xC3\"\n");
  programs.push_back(std::string("flow main:\n  x = \0\n", 20));
  return programs;
}

TEST_F(HostileInput, EveryFileCommandAnswersCleanly) {
  const std::vector<std::vector<std::string>> commands = {
      {"tokens"}, {"parse"}, {"check"}, {"run", "--pretend"}, {"test"},
      {"cost"},   {"show"},  {"bench", "--runs", "1"}};
  const std::vector<std::string> programs = hostile_programs();
  ProcessOptions options;
  options.working_directory = work_.path();
  options.home = home_.path();
  options.time_limit = std::chrono::seconds(30);
  for (std::size_t index = 0; index < programs.size(); ++index) {
    write_file(work_.path() / "input.plx", programs[index]);
    for (const auto& command : commands) {
      std::vector<std::string> args{command.front(), "input.plx"};
      args.insert(args.end(), command.begin() + 1, command.end());
      SCOPED_TRACE("program " + std::to_string(index) + ": pellix " + command.front());
      const ProcessResult result = run_pellix(args, options);
      ASSERT_FALSE(result.timed_out);
      ASSERT_EQ(result.signal, 0) << result.err.substr(0, 2000);
      ASSERT_TRUE(result.status == 0 || result.status == 1)
          << result.status << "\n" << result.err.substr(0, 2000);
      if (result.status == 1) {
        EXPECT_FALSE(result.err.empty()) << "a failure must say why";
      }
    }
  }
}

}  // namespace
}  // namespace pellix::testing
