// The interactive session apart from its input: leaving, the outcome of model calls with the
// running total, and a loop that stops once its output is lost.
#include "repl.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace pellix {
namespace {

TEST(ReplSession, LeavesOnlyOnExitOrQuitAlone) {
  struct Case {
    std::string_view line;
    Turn turn;
  };
  const std::vector<Case> cases = {
      {"exit", Turn::Leave},          {"quit", Turn::Leave},
      {" \texit\r", Turn::Leave},     {"\u3000quit\u00a0\u2028", Turn::Leave},
      {"EXIT", Turn::Continue},       {"Quit", Turn::Continue},
      {"exit now", Turn::Continue},   {"exit()", Turn::Continue},
      {"\u200bexit", Turn::Continue},  // a zero-width space is not white space
      {"", Turn::Continue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::ostringstream out;
    ReplSession session(out);
    EXPECT_EQ(session.enter(c.line), c.turn);
  }
}

TEST(ReplSession, ModelAnswersShowConfidenceCostAndModelAndAddUpToTheTotal) {
  std::ostringstream out;
  ReplSession session(out);
  bool fails = false;
  session.runtime().ai_config = AiConfig{"openai", "gpt-4o", "key", "http://localhost", 1024};
  session.runtime().set_ai_caller(
      [&fails](const AiConfig& config, const std::string&) -> Result<AiResponse> {
        if (fails) return fail("API call failed: boom");
        return AiResponse{"sunny", config.model, 0.875, 0.0012};
      });

  session.enter("forecast = reason about \"the weather\"");
  session.enter("forecast");
  fails = true;
  session.enter("sense \"hello\"");
  session.runtime().pretend = true;
  session.enter("summarize forecast");
  session.finish();

  EXPECT_EQ(out.str(),
            "  \u2192 sunny (confidence: 0.88, cost: $0.0012, model: gpt-4o)\n"
            "  \u2192 sunny (confidence: 0.88, cost: $0.0012, model: gpt-4o)\n"
            "  error: API call failed: boom\n"
            "  [pretend] would call AI: Summarize this briefly: sunny (confidence: 0.88, cost: "
            "$0.00...\n"
            "  \u2192 [pretend response] (confidence: 0.85, cost: $0.0000, model: pretend)\n"
            "\n  total cost: $0.0012\n\n");
}

TEST(StartRepl, StopsReadingOnceOutputCannotBeWritten) {
  std::istringstream in("x = 1\nx\n");
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  start_repl(in, out, LineEditing::Off);
  EXPECT_EQ(in.tellg(), 0);
}

}  // namespace
}  // namespace pellix
