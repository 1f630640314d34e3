// `pellix watch` as an editor meets it: a running process that reports every change of the
// file, broken ones included, and keeps watching. Waits poll the output with a deadline, so
// the test takes about as long as the watcher's own polls.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

constexpr auto kPatience = std::chrono::seconds(10);

constexpr std::string_view kValidProgram = "flow main:\n  return 1\n";
constexpr std::string_view kLongerProgram = "flow main:\n  log \"hi\"\n  return 1\n";
constexpr std::string_view kSyntaxError = "flow main\n  return 1\n";

std::string report(std::size_t steps) {
  return "\n  app.plx is valid\n\n  1 declarations found:\n    flow main (" +
         std::to_string(steps) + " steps)\n\n  checked in #ms\n\n";
}

const std::string kChanged = "  --- app.plx changed ---\n\n";

class WatchCommand : public ::testing::Test {
 protected:
  // The new content replaces the file in one step, so that no poll sees it half written.
  void write_program(std::string_view content) {
    write_file(work_.path() / "next.plx", std::string(content));
    fs::rename(work_.path() / "next.plx", program_);
  }

  // Waits until standard output (durations masked) and standard error are exactly these.
  void expect_output(BackgroundPellix& watch, const std::string& out, const std::string& err) {
    const auto masked_out = [&] {
      return std::regex_replace(watch.out(), std::regex("checked in [0-9]+ms"), "checked in #ms");
    };
    watch.wait_until([&] { return masked_out() == out && watch.err() == err; }, kPatience);
    ASSERT_EQ(masked_out(), out);
    ASSERT_EQ(watch.err(), err);
    ASSERT_TRUE(watch.is_running());
  }

  ProcessOptions options() const {
    ProcessOptions options;
    options.working_directory = work_.path();
    options.home = home_.path();
    return options;
  }

  TempDir work_;
  TempDir home_;
  fs::path program_ = work_.path() / "app.plx";
};

TEST_F(WatchCommand, ReportsEveryChangeAndKeepsWatchingThroughErrors) {
  write_program(kValidProgram);
  BackgroundPellix watch({"watch", "app.plx"}, options());
  // No check before the first change.
  std::string out = "\n  watching app.plx for changes...\n\n";
  std::string err;
  expect_output(watch, out, err);

  write_program(kLongerProgram);
  out += kChanged + report(2);
  expect_output(watch, out, err);

  write_program(kSyntaxError);
  out += kChanged;
  err += "\n  error at app.plx:\n  line 1, column 10: expected Colon, found Newline\n\n";
  expect_output(watch, out, err);

  write_program(kValidProgram);
  out += kChanged + report(1);
  expect_output(watch, out, err);

  fs::remove(program_);
  out += kChanged;
  err += "Could not read app.plx: No such file or directory\n";
  expect_output(watch, out, err);

  // Something that is there but cannot be read as a file.
  fs::create_directory(program_);
  out += kChanged;
  err += "Could not read app.plx: Is a directory\n";
  expect_output(watch, out, err);
}

TEST_F(WatchCommand, AFileCreatedAfterTheStartIsAChange) {
  BackgroundPellix watch({"watch", "app.plx"}, options());
  std::string out = "\n  watching app.plx for changes...\n\n";
  expect_output(watch, out, "");

  write_program(kValidProgram);
  out += kChanged + report(1);
  expect_output(watch, out, "");
}

}  // namespace
}  // namespace pellix::testing
