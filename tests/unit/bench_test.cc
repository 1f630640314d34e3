// The benchmark: the percentile rule, the statistics of a set of runs, a fresh interpreter for
// every run, and the table.
#include "bench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "support/parse_program.h"

namespace pellix {
namespace {

using testing::parse_program;

TEST(BenchPercentile, IndexIsNinetyNinePercentOfTheRunsCappedAtTheLast) {
  struct Case {
    std::uint64_t runs;
    std::uint64_t index;
  };
  const std::vector<Case> cases = {
      {0, 0},    {1, 0},    {2, 1},     {10, 9},    {99, 98},
      {100, 99}, {101, 99}, {199, 197}, {200, 198}, {1000, 990},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(percentile_99_index(c.runs), c.index) << c.runs << " runs";
  }
}

TEST(BenchStatistics, SortTheDurationsAndDivideByTheRuns) {
  std::vector<double> durations;
  for (int i = 200; i >= 1; --i) durations.push_back(i);  // 200 runs, slowest first
  const BenchResult result = summarize_runs("f", 200, durations, 0.5, 150);
  EXPECT_EQ(result.flow, "f");
  EXPECT_EQ(result.runs, 200U);
  EXPECT_DOUBLE_EQ(result.avg_ms, 100.5);
  EXPECT_EQ(result.min_ms, 1.0);
  EXPECT_EQ(result.max_ms, 200.0);
  EXPECT_EQ(result.p99_ms, 199.0);  // index 198 of the sorted durations
  EXPECT_DOUBLE_EQ(result.cost_per_run, 0.0025);
  EXPECT_EQ(result.total_run_cost, 0.5);
  EXPECT_EQ(result.success_rate, 75.0);

  const BenchResult once = summarize_runs("f", 1, {3.25}, 0.0, 1);
  EXPECT_EQ(once.avg_ms, 3.25);
  EXPECT_EQ(once.min_ms, 3.25);
  EXPECT_EQ(once.max_ms, 3.25);
  EXPECT_EQ(once.p99_ms, 3.25);
}

TEST(BenchStatistics, NoRunsGiveNotANumberForAveragesAndZeroForTheRest) {
  const BenchResult result = summarize_runs("f", 0, {}, 0.0, 0);
  EXPECT_TRUE(std::isnan(result.avg_ms));
  EXPECT_TRUE(std::isnan(result.cost_per_run));
  EXPECT_TRUE(std::isnan(result.success_rate));
  EXPECT_EQ(result.min_ms, 0.0);
  EXPECT_EQ(result.max_ms, 0.0);
  EXPECT_EQ(result.p99_ms, 0.0);
  EXPECT_EQ(result.total_run_cost, 0.0);
}

TEST(BenchFlows, EveryRunStartsFromAFreshInterpreter) {
  // The flow fails on its second run in the same interpreter, and costs one call per run.
  const Program program = parse_program(
      "agent helper uses \"gpt-4o\":\n  can reason\n"
      "flow once:\n  need seen is nothing otherwise \"ran before\"\n  seen = sense \"x\"\n"
      "flow fails:\n  need false\n"
      "flow needs_input given x:\n  log x\n"
      "job jobs:\n  log 1\n"
      "to function:\n  return 1\n");
  std::ostringstream printed;
  std::vector<std::string> progress;
  BenchSettings settings;
  settings.out = &printed;
  settings.ai_caller = [](const AiConfig& config, const std::string&) -> Result<AiResponse> {
    return AiResponse{"ok", config.model, 0.9, 0.25};
  };
  settings.progress = [&progress](std::string_view flow, std::uint64_t done, std::uint64_t runs) {
    progress.push_back(std::string(flow) + " " + std::to_string(done) + "/" + std::to_string(runs));
  };
  const std::vector<BenchResult> results = bench_all(program, 3, settings);

  ASSERT_EQ(results.size(), 2U);
  EXPECT_EQ(results[0].flow, "once");
  EXPECT_EQ(results[0].success_rate, 100.0);
  EXPECT_DOUBLE_EQ(results[0].total_run_cost, 0.75);
  EXPECT_DOUBLE_EQ(results[0].cost_per_run, 0.25);
  EXPECT_EQ(results[1].flow, "fails");
  EXPECT_EQ(results[1].success_rate, 0.0);
  EXPECT_GE(results[1].min_ms, 0.0);
  EXPECT_LE(results[1].min_ms, results[1].p99_ms);
  EXPECT_EQ(results[1].p99_ms, results[1].max_ms);
  EXPECT_EQ(printed.str(), "");
  EXPECT_EQ(progress,
            (std::vector<std::string>{"once 0/3", "once 1/3", "once 2/3", "once 3/3", "fails 0/3",
                                      "fails 1/3", "fails 2/3", "fails 3/3"}));

  EXPECT_TRUE(
      bench_all(parse_program("flow needs_input given x:\n  log x\n"), 3, settings).empty());
}

TEST(BenchFlows, ZeroRunsRunNothing) {
  const Program program = parse_program(
      "flow forever:\n  repeat 9223372036854775807 times:\n"
      "    log \"again\"\n");
  std::ostringstream printed;
  BenchSettings settings;
  settings.out = &printed;
  const std::vector<BenchResult> results = bench_all(program, 0, settings);
  ASSERT_EQ(results.size(), 1U);
  EXPECT_TRUE(std::isnan(results[0].avg_ms));
  EXPECT_EQ(printed.str(), "");
}

TEST(BenchReport, AlignsTheColumnsAndAddsTheTotalCost) {
  BenchResult fast = summarize_runs("test_hello", 10, std::vector<double>(10, 0.04), 0.0, 10);
  BenchResult paid =
      summarize_runs("summarize_the_inbox_daily", 4, {12.34, 1.25, 250.0, 3.0}, 0.0492, 3);
  BenchResult wide = summarize_runs("\u65e5\u672c", 1, {1000.06}, 0.0, 0);
  EXPECT_EQ(
      render_bench_report({fast, paid, wide}, "dir/app.plx", 10),
      "\n"
      "  Benchmark: dir/app.plx (10 runs each)\n"
      "\n"
      "  Flow                      Avg      Min      Max      P99   Cost/run  Success\n"
      "  ----------------------------------------------------------------------------------\n"
      "  test_hello               0.0ms     0.0ms     0.0ms     0.0ms   $0.0000     100%\n"
      "  summarize_the_inbox_daily    66.6ms     1.2ms   250.0ms   250.0ms   $0.0123      75%\n"
      "  \u65e5\u672c                  1000.1ms  1000.1ms  1000.1ms  1000.1ms   $0.0000       0%\n"
      "\n"
      "  total benchmark cost: $0.0492\n"
      "\n");
}

TEST(BenchReport, ZeroRunsPrintNotANumberAndNoFlowsPrintOneLine) {
  EXPECT_EQ(render_bench_report({summarize_runs("f", 0, {}, 0.0, 0)}, "app.plx", 0),
            "\n"
            "  Benchmark: app.plx (0 runs each)\n"
            "\n"
            "  Flow                      Avg      Min      Max      P99   Cost/run  Success\n"
            "  ----------------------------------------------------------------------------------\n"
            "  f                        NaNms     0.0ms     0.0ms     0.0ms      $NaN     NaN%\n"
            "\n"
            "\n");
  EXPECT_EQ(render_bench_report({}, "app.plx", 10),
            "\n  no parameterless flows found to benchmark\n\n");
}

}  // namespace
}  // namespace pellix
