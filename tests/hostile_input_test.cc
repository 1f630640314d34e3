// Hostile input from the outside: whatever bytes a file holds, `pellix tokens` answers with
// its tokens or one clear error and status 1, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <string>

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

}  // namespace
}  // namespace pellix::testing
