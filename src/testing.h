// The test runner: a program's inline tests are its top-level flows, jobs and functions whose
// names begin with "test". They run in source order in one shared interpreter, so what one
// test leaves behind (variables, records, remembered facts) is seen by the tests after it.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "ai.h"
#include "ast.h"

namespace pellix {

struct TestResult {
  std::string name;
  std::string message;  // the display text of the result, or the error text
  double cost = 0.0;    // US dollars spent on model calls while the test ran
  bool passed = false;
};

struct TestSummary {
  std::size_t passed = 0;
  std::size_t failed = 0;
  double total_cost = 0.0;  // US dollars
};

// True for a name at least four bytes long whose first four bytes are "test".
bool is_test_name(std::string_view name);

class TestRunner {
 public:
  // Lines that the tests print go to `out`.
  explicit TestRunner(std::ostream& out);

  // Replaces the procedure that makes model calls (by default the real one).
  void set_ai_caller(AiCaller caller) { ai_caller_ = std::move(caller); }

  // Runs every test of `program` with no arguments, each through the entry point of its own
  // kind, and yields all results so far in source order. A test that declares parameters is
  // not run and fails with "test functions cannot have parameters"; a test fails when it ends
  // in an error or returns false, and passes with any other value.
  const std::vector<TestResult>& run_tests(const Program& program);

  // The counts of passed and failed tests and the sum of their costs; zeros with no results.
  TestSummary summary() const;

 private:
  std::ostream& out_;
  AiCaller ai_caller_;
  std::vector<TestResult> results_;
};

// The report of the `test` command: a line per result with its mark, the failure message and
// the cost, then the counts and the total cost; two explanatory lines when there are no tests.
std::string render_test_report(const std::vector<TestResult>& results, const TestSummary& summary);

}  // namespace pellix
