// The AI forms: the exact prompt each sends, pretend answers and previews, the no-model error,
// and the running cost.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runtime.h"
#include "support/parse_program.h"

namespace pellix {
namespace {

using testing::parse_program;

constexpr std::string_view kAgent = "agent helper uses \"gpt-4o\":\n  can reason\n";

// A runtime whose model calls answer "ok" at the given cost and record their prompts.
struct FakeModel {
  std::vector<std::string> prompts;
  double cost = 0.001;
  bool fails = false;

  AiCaller caller() {
    return [this](const AiConfig& config, const std::string& prompt) -> Result<AiResponse> {
      prompts.push_back(prompt);
      if (fails) return fail("API call failed: boom");
      return AiResponse{"ok", config.model, 0.9, cost};
    };
  }
};

TEST(RuntimeAi, EachFormSendsItsPrompt) {
  struct Case {
    std::string expression;
    std::string prompt;
  };
  const std::vector<Case> cases = {
      {"reason about topic", "About: tea\n"},
      {"reason about topic: be brief",
       "About: tea\nTask: Identifier(\"be\") Identifier(\"brief\")\n"},
      {"sense topic", "Classify the tone/mood/intent of this text in one word: tea"},
      {"translate topic to \"French\"", "Translate to French: tea"},
      {"translate topic", "Translate to : tea"},
      {"summarize [1, topic]", "Summarize this briefly: [1, tea]"},
      {"debate \"tabs\": for long",
       "Debate this topic: \"tabs\"\nPresent 3 rounds of arguments.\nFormat:\nFOR: "
       "[argument]\nAGAINST: [argument]\nAfter all rounds, give a VERDICT with your "
       "recommendation and confidence level."},
      {"blend topic, 2",
       "You have 2 different perspectives on a topic:\n\nPerspective 1: tea\n\nPerspective 2: "
       "2\n\nBlend these into one coherent analysis. Find common themes, highlight "
       "disagreements, and produce a single recommendation."},
      {"imagine: rain",
       "Imagine this scenario and predict the outcomes:\n\nIdentifier(\"rain\")\n\nProvide:\n1. "
       "Most likely outcome\n2. Best case scenario\n3. Worst case scenario\n4. Key "
       "assumptions\n5. Confidence level in your prediction"},
      {"rethink topic",
       "You previously concluded: tea\n\nNow rethink this conclusion:\nConsider the opposite "
       "conclusion. What if you're wrong?\n\nProvide:\n1. Your original conclusion\n2. The "
       "strongest counter-argument\n3. Whether you still stand by your original "
       "conclusion\n4. What would change your mind"},
      {"compare topic and 2",
       "Compare these two options:\n\nOption A: tea\nOption B: 2\n\nCompare on: all relevant "
       "factors\n\nProvide:\n1. Winner\n2. Key advantages of each\n3. Tradeoffs\n4. "
       "Recommendation"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    FakeModel model;
    std::ostringstream printed;
    Runtime runtime(printed);
    runtime.set_ai_caller(model.caller());
    runtime.load(parse_program(std::string(kAgent) + "flow main:\n  topic = \"tea\"\n  return " +
                               c.expression + "\n"));
    const auto result = runtime.run_flow("main", {});
    ASSERT_TRUE(result.has_value()) << result.error().message;
    EXPECT_EQ(display(*result), "ok (confidence: 0.90, cost: $0.0010)");
    ASSERT_EQ(model.prompts.size(), 1U);
    EXPECT_EQ(model.prompts[0], c.prompt);
    EXPECT_EQ(printed.str(), "");
  }
}

TEST(RuntimeAi, PretendAnswersWithoutAModelAndShowsAPreview) {
  std::ostringstream printed;
  Runtime runtime(printed);
  runtime.pretend = true;
  std::string letters;
  for (int i = 0; i < 20; ++i) letters += "\u00e9";  // two bytes each
  runtime.load(parse_program("flow main:\n  a = summarize \"abc\"\n  b = summarize \"a" + letters +
                             "\"\n  return a\n"));
  const auto result = runtime.run_flow("main", {});
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(display(*result), "[pretend response] (confidence: 0.85, cost: $0.0000)");
  // "Summarize this briefly: a" is 25 bytes, so byte 60 falls inside the 18th letter: the
  // preview stops before it.
  EXPECT_EQ(printed.str(),
            "  [pretend] would call AI: Summarize this briefly: abc...\n"
            "  [pretend] would call AI: Summarize this briefly: a" +
                letters.substr(0, 17 * 2) + "...\n");
  EXPECT_EQ(runtime.total_cost, 0.0);
}

TEST(RuntimeAi, WithoutAModelEveryFormFailsAndCostsAddUpOnlyOnSuccess) {
  std::ostringstream printed;
  Runtime bare(printed);
  bare.load(parse_program("flow main:\n  return sense \"x\"\n"));
  EXPECT_EQ(bare.run_flow("main", {}).error().message,
            "No AI model configured. Add: agent NAME uses \"claude-sonnet-4-6\"");

  FakeModel model;
  Runtime runtime(printed);
  runtime.set_ai_caller(model.caller());
  runtime.load(parse_program(std::string(kAgent) + "flow main:\n  a = sense 1\n  b = sense 2\n"));
  ASSERT_TRUE(runtime.run_flow("main", {}).has_value());
  model.cost = 0.002;
  ASSERT_TRUE(runtime.run_flow("main", {}).has_value());
  EXPECT_DOUBLE_EQ(runtime.total_cost, 0.006);
  model.fails = true;
  EXPECT_EQ(runtime.run_flow("main", {}).error().message, "API call failed: boom");
  EXPECT_DOUBLE_EQ(runtime.total_cost, 0.006);
}

}  // namespace
}  // namespace pellix
