// `pellix new`: the sample program it writes works with the other commands as it is, and
// nothing already at the path is ever replaced.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

class NewCommand : public ::testing::Test {
 protected:
  ProcessResult pellix(const std::vector<std::string>& args) {
    ProcessOptions options;
    options.working_directory = work_.path();
    options.home = home_.path();
    return run_pellix(args, options);
  }

  TempDir work_;
  TempDir home_;
};

TEST_F(NewCommand, SampleProgramChecksCleanlyAndRunsToSix) {
  ASSERT_EQ(pellix({"new"}).status, 0);
  // The same bytes as the sample program the check and parse cases were written against.
  const std::string sample = read_file(work_.path() / "app.plx");
  EXPECT_EQ(sample.size(), 582u);
  EXPECT_EQ(sample, read_file(fs::path(PELLIX_GOLDEN_DIR) / "check/sample_program/app.plx"));

  const ProcessResult check = pellix({"check", "app.plx"});
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.err, "");
  EXPECT_TRUE(check.out.starts_with("\n  app.plx is valid\n")) << check.out;

  const ProcessResult run = pellix({"run", "app.plx", "test_hello", "--pretend"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(std::regex_replace(run.out, std::regex("[0-9]+ms"), "#ms"),
            "  [info] Hello from Pellix!\n  [info] sum = 6\n\n  result: 6\n  time:       #ms\n\n");
}

TEST_F(NewCommand, NeverReplacesWhatIsAlreadyThere) {
  write_file(work_.path() / "mine.plx", "my own work\n");
  const ProcessResult again = pellix({"new", "mine.plx"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "mine.plx already exists\n");
  EXPECT_EQ(read_file(work_.path() / "mine.plx"), "my own work\n");

  // A link whose target is missing is something too: writing through it would create a file
  // somewhere else.
  fs::create_symlink(work_.path() / "target.plx", work_.path() / "link.plx");
  const ProcessResult link = pellix({"new", "link.plx"});
  EXPECT_EQ(link.status, 1);
  EXPECT_EQ(link.err, "link.plx already exists\n");
  EXPECT_FALSE(fs::exists(work_.path() / "target.plx"));
}

}  // namespace
}  // namespace pellix::testing
