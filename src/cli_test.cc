// The `test` command: the inline tests of a checked program and their report.
#include "cli.h"

#include <ostream>

#include "testing.h"

namespace pellix {

int test_command(const std::string& path, Console& console) {
  const auto program = load_program(path, console);
  if (!program) return 1;
  if (!print_diagnostics(*program, console)) return 1;
  TestRunner runner(console.out);
  const std::vector<TestResult>& results = runner.run_tests(*program);
  const TestSummary summary = runner.summary();
  console.out << render_test_report(results, summary);
  return summary.failed == 0 ? 0 : 1;
}

}  // namespace pellix
