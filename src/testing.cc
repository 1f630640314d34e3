#include "testing.h"

#include <ostream>
#include <variant>

#include "runtime.h"
#include "text_format.h"
#include "value.h"

namespace pellix {
namespace {

constexpr std::string_view kTestPrefix = "test";
constexpr std::string_view kHasParameters = "test functions cannot have parameters";

constexpr std::string_view kNoTests =
    "  no tests found\n"
    "  tests are flows, jobs, or functions whose name starts with \"test\"\n";
constexpr std::string_view kPassedMark = "  [+] ";
constexpr std::string_view kFailedMark = "  [x] ";
constexpr std::string_view kMessageDash = " \u2014 ";
constexpr std::string_view kPassedCount = " passed, ";
constexpr std::string_view kFailedCount = " failed\n";
constexpr std::string_view kTotalCost = "  total cost: $";

enum class TestKind { Flow, Job, Function };

// A test found among the declarations; it points into the program, which outlives the run.
struct TestCase {
  TestKind kind = TestKind::Flow;
  const std::string* name = nullptr;
  const std::vector<Param>* params = nullptr;
};

// Jobs inside agents are not top-level declarations, so they are never tests.
std::vector<TestCase> collect_tests(const Program& program) {
  std::vector<TestCase> tests;
  const auto add = [&](TestKind kind, const auto& declaration) {
    if (is_test_name(declaration.name)) {
      tests.push_back(TestCase{kind, &declaration.name, &declaration.params});
    }
  };
  for (const Declaration& declaration : program.declarations) {
    if (const auto* flow = std::get_if<FlowDecl>(&declaration.node)) {
      add(TestKind::Flow, *flow);
    } else if (const auto* job = std::get_if<JobDecl>(&declaration.node)) {
      add(TestKind::Job, *job);
    } else if (const auto* function = std::get_if<FunctionDecl>(&declaration.node)) {
      add(TestKind::Function, *function);
    }
  }
  return tests;
}

Result<Value> run_test(Runtime& runtime, const TestCase& test) {
  switch (test.kind) {
    case TestKind::Flow:
      return runtime.run_flow(*test.name, {});
    case TestKind::Job:
      return runtime.run_job(*test.name, {});
    case TestKind::Function:
      return runtime.run_function(*test.name, {});
  }
  return runtime.run_flow(*test.name, {});
}

void append_cost(std::string& out, double cost) {
  if (cost > 0) {
    out.append(" ($");
    append_money(out, cost);
    out.append(")");
  }
}

}  // namespace

bool is_test_name(std::string_view name) { return name.starts_with(kTestPrefix); }

TestRunner::TestRunner(std::ostream& out) : out_(out) {}

const std::vector<TestResult>& TestRunner::run_tests(const Program& program) {
  Runtime runtime(out_);
  if (ai_caller_) runtime.set_ai_caller(ai_caller_);
  runtime.load(program);
  for (const TestCase& test : collect_tests(program)) {
    TestResult& result = results_.emplace_back();
    result.name = *test.name;
    if (!test.params->empty()) {
      result.message = kHasParameters;
      continue;
    }
    const double cost_before = runtime.total_cost;
    Result<Value> outcome = run_test(runtime, test);
    result.cost = runtime.total_cost - cost_before;
    if (!outcome) {
      result.message = std::move(outcome).error().message;
      continue;
    }
    result.message = display(*outcome);
    const bool is_false = outcome->is(ValueKind::Bool) && !outcome->as_bool();
    result.passed = !is_false;
  }
  return results_;
}

TestSummary TestRunner::summary() const {
  TestSummary summary;
  for (const TestResult& result : results_) {
    ++(result.passed ? summary.passed : summary.failed);
    summary.total_cost += result.cost;
  }
  return summary;
}

std::string render_test_report(const std::vector<TestResult>& results, const TestSummary& summary) {
  std::string out = "\n";
  if (results.empty()) return out.append(kNoTests).append("\n");
  for (const TestResult& result : results) {
    out.append(result.passed ? kPassedMark : kFailedMark).append(result.name);
    if (!result.passed) out.append(kMessageDash).append(result.message);
    append_cost(out, result.cost);
    out.append("\n");
  }
  out.append("\n  ");
  append_unsigned(out, summary.passed);
  out.append(kPassedCount);
  append_unsigned(out, summary.failed);
  out.append(kFailedCount);
  if (summary.total_cost > 0) {
    out.append(kTotalCost);
    append_money(out, summary.total_cost);
    out.append("\n");
  }
  return out.append("\n");
}

}  // namespace pellix
