// The test runner: which declarations are tests, how each is run and judged in the one shared
// interpreter, what each costs, and the report.
#include "testing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/parse_program.h"

namespace pellix {
namespace {

using testing::parse_program;

// Model calls that answer at once, each at `cost` dollars.
AiCaller answering_at(double cost) {
  return [cost](const AiConfig& config, const std::string&) -> Result<AiResponse> {
    return AiResponse{"ok", config.model, 0.9, cost};
  };
}

struct Outcome {
  std::string name;
  std::string message;
  bool passed = false;
};

std::vector<Outcome> outcomes(const std::vector<TestResult>& results) {
  std::vector<Outcome> list;
  for (const TestResult& result : results) {
    list.push_back({result.name, result.message, result.passed});
  }
  return list;
}

bool operator==(const Outcome& a, const Outcome& b) {
  return a.name == b.name && a.message == b.message && a.passed == b.passed;
}

void PrintTo(const Outcome& outcome, std::ostream* out) {
  *out << outcome.name << " (" << (outcome.passed ? "passed" : "failed")
       << "): " << outcome.message;
}

TEST(TestNames, BeginWithTheFourLowerCaseBytesTest) {
  struct Case {
    std::string_view name;
    bool is_test;
  };
  const std::vector<Case> cases = {
      {"test", true},        {"testing", true}, {"test_hello", true}, {"test\u00e9", true},
      {"Test_hello", false}, {"TEST", false},   {"tes", false},       {"my_test", false},
      {"", false},           {"atest", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_test_name(c.name), c.is_test) << c.name;
  }
}

TEST(TestRunner, JudgesEachTestByItsOwnKindInSourceOrder) {
  const Program program = parse_program(
      "agent helper uses \"gpt-4o\":\n"
      "  can reason\n"
      "  job test_inside_agent:\n"
      "    return false\n"
      "flow test_number:\n  return 6\n"
      "flow test_false:\n  return false\n"
      "flow test_true:\n  return true\n"
      "flow test_zero:\n  return 0\n"
      "flow test_nothing:\n  x = 1\n  log \"ran\"\n"
      "flow test_empty_text:\n  return \"\"\n"
      "flow test_need:\n  need 1 is 2 otherwise \"one is not two\"\n"
      "flow test_stop:\n  stop\n"
      "flow test_given given x:\n  log \"never printed\"\n"
      "job test_job:\n  return \"job ran\"\n"
      "to test_kind:\n  return \"function ran\"\n"
      "flow test_kind:\n  return \"flow ran\"\n"
      "job test_job_given given a, b:\n  return 1\n"
      "flow Test_capital:\n  return false\n"
      "flow helper_test:\n  return false\n");
  std::ostringstream printed;
  TestRunner runner(printed);
  const std::vector<TestResult>& results = runner.run_tests(program);

  const std::vector<Outcome> expected = {
      {"test_number", "6", true},
      {"test_false", "false", false},
      {"test_true", "true", true},
      {"test_zero", "0", true},
      {"test_nothing", "nothing", true},
      {"test_empty_text", "", true},
      {"test_need", "one is not two", false},
      {"test_stop", "stopped", false},
      {"test_given", "test functions cannot have parameters", false},
      {"test_job", "job ran", true},
      {"test_kind", "function ran", true},
      {"test_kind", "flow ran", true},
      {"test_job_given", "test functions cannot have parameters", false},
  };
  EXPECT_EQ(outcomes(results), expected);
  // A test with parameters is never run.
  EXPECT_EQ(printed.str(), "  [info] ran\n");

  const TestSummary summary = runner.summary();
  EXPECT_EQ(summary.passed, 8U);
  EXPECT_EQ(summary.failed, 5U);
  EXPECT_EQ(summary.total_cost, 0.0);
}

TEST(TestRunner, TestsShareOneInterpreterAndPayOnlyForTheirOwnCalls) {
  const Program program = parse_program(
      "agent helper uses \"gpt-4o\":\n"
      "  can reason\n"
      "flow test_sets:\n  shared = 41\n"
      "flow test_sees:\n  return shared + 1\n"
      "flow test_one_call:\n  answer = reason about \"tea\"\n  return answer\n"
      "flow test_free:\n  return 1\n"
      "flow test_two_calls_then_fails:\n  a = sense \"x\"\n  b = sense \"y\"\n  stop\n");
  std::ostringstream printed;
  TestRunner runner(printed);
  runner.set_ai_caller(answering_at(0.0012));
  const std::vector<TestResult>& results = runner.run_tests(program);

  ASSERT_EQ(results.size(), 5U);
  EXPECT_EQ(results[1].message, "42");
  EXPECT_DOUBLE_EQ(results[2].cost, 0.0012);
  EXPECT_EQ(results[3].cost, 0.0);
  EXPECT_DOUBLE_EQ(results[4].cost, 0.0024);
  EXPECT_FALSE(results[4].passed);
  const TestSummary summary = runner.summary();
  EXPECT_EQ(summary.passed, 4U);
  EXPECT_EQ(summary.failed, 1U);
  EXPECT_DOUBLE_EQ(summary.total_cost, 0.0036);
}

TEST(TestReport, MarksEachTestAndAddsCostsOnlyWhenThereAreAny) {
  const std::vector<TestResult> results = {
      {"test_hello", "6", 0.0, true},
      {"test_paid", "ok", 0.0012, true},
      {"test_need", "precondition failed", 0.0, false},
      {"test_paid_failure", "stopped", 0.5, false},
  };
  EXPECT_EQ(render_test_report(results, {2, 2, 0.5012}),
            "\n"
            "  [+] test_hello\n"
            "  [+] test_paid ($0.0012)\n"
            "  [x] test_need \u2014 precondition failed\n"
            "  [x] test_paid_failure \u2014 stopped ($0.5000)\n"
            "\n"
            "  2 passed, 2 failed\n"
            "  total cost: $0.5012\n"
            "\n");
  EXPECT_EQ(render_test_report({{"test_hello", "6", 0.0, true}}, {1, 0, 0.0}),
            "\n  [+] test_hello\n\n  1 passed, 0 failed\n\n");
}

TEST(TestReport, SaysWhatATestIsWhenThereAreNone) {
  std::ostringstream printed;
  TestRunner runner(printed);
  const auto& results = runner.run_tests(parse_program("flow main:\n  return 1\n"));
  EXPECT_TRUE(results.empty());
  const TestSummary summary = runner.summary();
  EXPECT_EQ(summary.passed + summary.failed, 0U);
  EXPECT_EQ(render_test_report(results, summary),
            "\n"
            "  no tests found\n"
            "  tests are flows, jobs, or functions whose name starts with \"test\"\n"
            "\n");
}

}  // namespace
}  // namespace pellix
