// Cost analysis: the price table, what is counted and what is not, the loops found, the
// suggestions in their order, and the report.
#include "cost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/examples.h"
#include "support/parse_program.h"

namespace pellix {
namespace {

using testing::parse_program;

std::string with_agent(std::string_view model, std::string_view rest) {
  return "agent helper uses \"" + std::string(model) + "\":\n  can reason\n" + std::string(rest);
}

TEST(CostPrices, FirstTableEntryInsideTheModelNameWins) {
  struct Case {
    std::string_view model;
    double price;
    bool is_expensive;
  };
  const std::vector<Case> cases = {
      {"claude-opus-4", 0.075, true},
      {"claude-sonnet-4-6", 0.015, true},
      {"claude-haiku-4-5", 0.001, false},
      {"gpt-4o-mini", 0.0006, false},
      {"gpt-4o", 0.015, true},
      {"gpt-4-turbo", 0.06, true},
      {"gpt-3.5-turbo", 0.002, false},
      {"gemini-pro", 0.007, false},
      {"gemini-flash-2", 0.0004, false},
      {"llama3", 0.0, false},
      {"mistral-small", 0.0, false},
      {"phi3", 0.0, false},
      {"deepseek-r1", 0.0, false},
      {"codellama", 0.0, false},
      {"gemma2", 0.0, false},
      {"qwen2.5", 0.0, false},
      {"vicuna", 0.0, false},
      {"orca-mini", 0.0, false},
      {"my-claude-opus-copy", 0.075, true},  // anywhere inside the name
      {"Claude-Opus", 0.01, false},          // case matters
      {"unknown", 0.01, false},
      {"", 0.01, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    const ModelPrice price = price_for_model(c.model);
    EXPECT_EQ(price.per_call, c.price);
    EXPECT_EQ(price.is_expensive, c.is_expensive);
  }
}

TEST(CostCounting, CountsTheFourFormsWhereTheyAreReached) {
  struct Case {
    std::string_view body;  // the statements of one flow, indented by two spaces
    std::size_t calls;
  };
  const std::vector<Case> cases = {
      {"  a = reason about x\n", 1},
      {"  a = sense x\n", 1},
      {"  a = translate x to \"French\"\n", 1},
      {"  a = summarize x\n", 1},
      {"  a = summarize (sense x)\n", 1},  // operands are not looked into
      {"  a = (sense x) + (sense y)\n", 2},
      {"  a = (sense x) |> summarize _pipe\n", 2},
      {"  if x:\n    a = sense x\n  else if y:\n    b = sense y\n  otherwise:\n"
       "    c = sense z\n",
       3},
      // Conditions are not counted, and loops are not multiplied.
      {"  if sense x:\n    a = 1\n", 0},
      {"  for each i in xs:\n    a = sense i\n    b = sense i\n", 2},
      {"  repeat 5 times:\n    a = sense x\n", 1},
      {"  try:\n    a = sense x\n  if it fails:\n    b = sense y\n", 2},
      {"  pretend:\n    a = sense x\n", 1},
      {"  together:\n    a = sense x\n", 1},
      // Not counted: stand-alone and returned AI forms, the forms beyond the four, and
      // anything nested where the walk does not go.
      {"  reason about x\n", 0},
      {"  return sense x\n", 0},
      {"  a = debate \"tabs\"\n", 0},
      {"  a = blend x, y\n", 0},
      {"  a = imagine: rain\n", 0},
      {"  a = rethink x\n", 0},
      {"  a = compare x and y\n", 0},
      {"  a = [sense x]\n", 0},
      {"  a = not (sense x)\n", 0},
      {"  log sense x\n", 0},
      {"  assume x but if wrong:\n    a = sense x\n", 0},
      {"  match x:\n    1 -> a = sense x\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const Program program = parse_program("flow f:\n" + std::string(c.body));
    ASSERT_EQ(program.declarations.size(), 1U);
    const auto& flow = std::get<FlowDecl>(program.declarations[0].node);
    EXPECT_EQ(count_ai_calls(flow.body), c.calls);
  }
}

TEST(CostAnalysis, CountsAgentJobsTopLevelJobsAndFlowsButNotFunctions) {
  const CostReport report = analyze_cost(
      parse_program(with_agent("gpt-4o-mini",
                               "  job one:\n    a = sense x\n"
                               "job two:\n  a = sense x\n  b = sense y\n"
                               "flow three:\n  a = sense x\n  b = sense y\n  c = sense z\n"
                               "to pure:\n  a = sense x\n")));
  EXPECT_EQ(report.model, "gpt-4o-mini");
  EXPECT_EQ(report.cost_per_call, 0.0006);
  EXPECT_DOUBLE_EQ(report.estimated_total, 0.0036);
  EXPECT_TRUE(report.loops.empty());
  EXPECT_TRUE(report.suggestions.empty());
}

TEST(CostAnalysis, TheLastAgentWithAModelSetsThePrice) {
  const CostReport report =
      analyze_cost(parse_program("agent a uses \"gpt-4o\":\n  can reason\n"
                                 "agent b uses \"claude-haiku-4-5\":\n  can reason\n"
                                 "agent c:\n  can reason\n"
                                 "flow f:\n  x = sense 1\n"));
  EXPECT_EQ(report.model, "claude-haiku-4-5");
  EXPECT_EQ(report.cost_per_call, 0.001);
}

TEST(CostAnalysis, FindsLoopsOuterFirstInBranchesButNotInOtherBlocks) {
  const CostReport report =
      analyze_cost(parse_program(with_agent("claude-sonnet-4-6",
                                            "  job scan:\n    repeat 3 times:\n      a = sense x\n"
                                            "flow digest:\n"
                                            "  for each item in items:\n"
                                            "    a = reason about item\n"
                                            "    for each part in item:\n"
                                            "      b = summarize part\n"
                                            "  for each quiet in items:\n"
                                            "    log quiet\n"
                                            "  if ready:\n"
                                            "    repeat 2 times:\n"
                                            "      c = sense x\n"
                                            "  try:\n"
                                            "    for each hidden in items:\n"
                                            "      d = sense hidden\n")));
  ASSERT_EQ(report.loops.size(), 4U);
  const std::vector<std::pair<std::string, std::size_t>> expected = {
      {"scan", 1}, {"digest", 2}, {"digest", 1}, {"digest", 1}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(report.loops[i].flow, expected[i].first) << i;
    EXPECT_EQ(report.loops[i].ai_calls, expected[i].second) << i;
  }
  // The loop inside the try block is counted in the total, but not reported as a loop.
  EXPECT_DOUBLE_EQ(report.estimated_total, 0.015 * 5);
  EXPECT_EQ(report.suggestions,
            (std::vector<std::string>{
                "Using claude-sonnet-4-6 at ~$0.015/call. A cheaper model like claude-haiku or "
                "gpt-4o-mini could reduce costs by 90%+.",
                "Loop in \"scan\" makes 1 AI call(s) per iteration. At 1000 iterations: "
                "$15.00/run.",
                "Loop in \"digest\" makes 2 AI call(s) per iteration. At 1000 iterations: "
                "$30.00/run.",
                "Loop in \"digest\" makes 1 AI call(s) per iteration. At 1000 iterations: "
                "$15.00/run.",
                "Loop in \"digest\" makes 1 AI call(s) per iteration. At 1000 iterations: "
                "$15.00/run.",
            }));
}

TEST(CostAnalysis, SuggestionsFollowThePriceAndTheCount) {
  struct Case {
    std::string source;
    std::vector<std::string> suggestions;
  };
  const std::vector<Case> cases = {
      {"flow f:\n  log 1\n", {"No AI calls found. This program runs for free."}},
      {"flow f:\n  a = sense x\n", {}},  // unknown model, priced 0.01
      {with_agent("gpt-4", "flow f:\n  log 1\n"),
       {"Using gpt-4 at ~$0.060/call. A cheaper model like claude-haiku or gpt-4o-mini could "
        "reduce costs by 90%+.",
        "No AI calls found. This program runs for free."}},
      // A free model suggests nothing about loops, though the loops are still listed.
      {with_agent("llama3", "flow f:\n  for each i in xs:\n    a = sense i\n"),
       {"Using a local model. All AI calls are free."}},
      {with_agent("llama3", "flow f:\n  log 1\n"),
       {"No AI calls found. This program runs for free."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(analyze_cost(parse_program(c.source)).suggestions, c.suggestions);
  }
  const CostReport free = analyze_cost(parse_program(cases[3].source));
  ASSERT_EQ(free.loops.size(), 1U);
  EXPECT_EQ(free.estimated_total, 0.0);
  const CostReport unknown = analyze_cost(parse_program(cases[0].source));
  EXPECT_EQ(unknown.model, "unknown");
  EXPECT_EQ(unknown.cost_per_call, 0.01);
}

TEST(CostReport, PrintsTheSampleProgramsEstimate) {
  const CostReport report = analyze_cost(parse_program(testing::read_example("sample.plx")));
  EXPECT_EQ(render_cost_report(report, "app.plx"),
            "\n"
            "  Cost Analysis: app.plx\n"
            "\n"
            "  Model:             claude-sonnet-4-6\n"
            "  Cost per AI call:  $0.0150\n"
            "  Estimated total:   $0.0150 per run\n"
            "\n"
            "  Suggestions:\n"
            "    - Using claude-sonnet-4-6 at ~$0.015/call. A cheaper model like claude-haiku or "
            "gpt-4o-mini could reduce costs by 90%+.\n"
            "\n");
}

TEST(CostReport, ListsLoopsWithAnEmDashAndLeavesOutEmptySections) {
  CostReport report;
  report.model = "m";
  report.cost_per_call = 0.01;
  report.estimated_total = 0.03;
  report.loops = {{"digest", 2}, {"watch", 1}};
  EXPECT_EQ(render_cost_report(report, "dir/app.plx"),
            "\n"
            "  Cost Analysis: dir/app.plx\n"
            "\n"
            "  Model:             m\n"
            "  Cost per AI call:  $0.0100\n"
            "  Estimated total:   $0.0300 per run\n"
            "\n"
            "  Loops with AI calls:\n"
            "    \"digest\" \u2014 2 AI call(s) per iteration\n"
            "    \"watch\" \u2014 1 AI call(s) per iteration\n"
            "\n");
}

}  // namespace
}  // namespace pellix
