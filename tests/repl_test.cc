// `pellix` with no arguments: piped lines of any length, and a session typed at a terminal,
// where lines can be edited and recalled.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

const std::string kBanner =
    "\n  Pellix 0.1.0 \u2014 interactive mode\n  Type expressions, assignments, or .plx code.\n"
    "  Type \"exit\" or Ctrl+C to quit.\n\n";
const std::string kEnd = "\n  total cost: $0.0000\n\n";

class Repl : public ::testing::Test {
 protected:
  ProcessOptions options() const {
    ProcessOptions options;
    options.working_directory = work_.path();
    options.home = home_.path();
    return options;
  }

  ProcessResult pipe_lines(const std::string& input) {
    ProcessOptions piped = options();
    piped.stdin_text = input;
    ProcessResult result = run_pellix({}, piped);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    return result;
  }

  TempDir work_;
  TempDir home_;
};

TEST_F(Repl, VeryLongLinesRunAndOverlongOnesArePassedOverWithoutEndingTheSession) {
  const std::string word(200000, 'a');
  const std::string overlong(std::size_t{1} << 20, 'b');
  std::string deep_sum = "1";
  for (int i = 0; i < 20000; ++i) deep_sum += " + 1";
  const std::string too_long =
      "pellix>   error: the line is longer than 1 MiB and was passed over\n";

  const ProcessResult result =
      pipe_lines("\"" + word + "\"\n" + overlong + "x\n" + deep_sum + "\n2 * 3\n" + overlong + "y");
  EXPECT_EQ(result.out, kBanner + "pellix>   \u2192 " + word + "\n" + too_long +
                            "pellix>   error: line 2, column 3997: nesting too deep\n"
                            "pellix>   \u2192 6\n" +
                            too_long + "pellix> " + kEnd);
}

TEST_F(Repl, TypedLinesAreEditedRecalledAndRun) {
  TerminalPellix session({}, options());
  ASSERT_TRUE(session.wait_for("pellix> ", kPatience)) << session.screen();
  // Ctrl+A goes to the start of the line, which only an editor does: a plain terminal would
  // keep it as a character and the line would not lex.
  session.type(
      "+ 2\x01"
      "40 \r");
  ASSERT_TRUE(session.wait_for("\u2192 42", kPatience)) << session.screen();
  ASSERT_TRUE(session.wait_for("pellix> ", kPatience)) << session.screen();
  // Ctrl+P brings back the line before, with its edit.
  session.type("\x10\r");
  ASSERT_TRUE(session.wait_for("\u2192 42", kPatience)) << session.screen();
  ASSERT_TRUE(session.wait_for("pellix> ", kPatience)) << session.screen();
  session.type("exit\r");
  ASSERT_TRUE(session.wait_for("total cost: $0.0000", kPatience)) << session.screen();
  EXPECT_EQ(session.wait_for_exit(kPatience), 0) << session.screen();
}

TEST_F(Repl, EndOfInputAtATerminalLeavesWithTheTotal) {
  TerminalPellix session({}, options());
  ASSERT_TRUE(session.wait_for("pellix> ", kPatience)) << session.screen();
  session.type("\x04");
  ASSERT_TRUE(session.wait_for("total cost: $0.0000", kPatience)) << session.screen();
  EXPECT_EQ(session.wait_for_exit(kPatience), 0) << session.screen();
}

}  // namespace
}  // namespace pellix::testing
