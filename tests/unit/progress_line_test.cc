// The progress line: when it is drawn, and that the task's output passes through unchanged
// with the line erased before it.
#include "progress_line.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

namespace pellix {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

constexpr std::string_view kErase = "\r\x1b[K";

TEST(ProgressLine, ErasesItselfBeforeTheTasksOutputAndLeavesThatOutputAlone) {
  std::ostringstream out;
  std::ostringstream err;
  ProgressLine line(out, err, {milliseconds(0), milliseconds(0)});
  line.output() << "  [info] first\n";
  line.erase();  // nothing shown yet, so nothing to erase
  line.show("  benchmarking f: 1 of 3 runs");
  line.output() << "  [info] second" << '\n';
  line.output() << "  [info] third\n";
  line.show("  benchmarking f: 2 of 3 runs");
  line.erase();
  line.erase();

  EXPECT_EQ(out.str(), "  [info] first\n  [info] second\n  [info] third\n");
  EXPECT_EQ(err.str(), std::string(kErase) + "  benchmarking f: 1 of 3 runs" + std::string(kErase) +
                           std::string(kErase) + "  benchmarking f: 2 of 3 runs" +
                           std::string(kErase));
}

TEST(ProgressLine, IsCutBetweenCharactersToFitAnEightyColumnTerminal) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const std::string wide = "\u65e5";  // two columns
  const std::vector<Case> cases = {
      {std::string(79, 'x'), std::string(79, 'x')},
      {std::string(80, 'x'), std::string(79, 'x')},
      {std::string(77, 'x') + wide, std::string(77, 'x') + wide},
      {std::string(78, 'x') + wide, std::string(78, 'x')},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    ProgressLine line(out, err, {milliseconds(0), milliseconds(0)});
    line.show(c.text);
    EXPECT_EQ(err.str(), std::string(kErase) + c.shown) << c.text;
  }
}

TEST(ProgressLine, WaitsBeforeTheFirstDrawingAndBetweenDrawings) {
  std::ostringstream out;
  std::ostringstream err;
  ProgressLine patient(out, err, ProgressLine::Timing{});
  EXPECT_FALSE(patient.is_due());  // a second has not passed

  ProgressLine throttled(out, err, {milliseconds(0), hours(1)});
  EXPECT_TRUE(throttled.is_due());
  throttled.show("1");
  EXPECT_FALSE(throttled.is_due());
}

}  // namespace
}  // namespace pellix
