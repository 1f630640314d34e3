// The programs in examples/ are what a newcomer reads first, so each must keep working with
// every command as the tool changes: it checks without a diagnostic, runs in pretend mode,
// passes its own inline tests and is summarised.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> example_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(PELLIX_EXAMPLES_DIR)) {
    if (entry.path().extension() == ".plx") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Example : public ::testing::TestWithParam<std::string> {
 protected:
  ProcessResult pellix(std::vector<std::string> args) {
    ProcessOptions options;
    options.working_directory = PELLIX_EXAMPLES_DIR;
    options.home = home_.path();
    return run_pellix(args, options);
  }

  TempDir home_;
};

TEST_P(Example, ChecksRunsAndPassesItsTests) {
  const std::string& file = GetParam();
  const ProcessResult check = pellix({"check", file});
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.err, "") << "diagnostics";
  EXPECT_TRUE(check.out.starts_with("\n  " + file + " is valid\n")) << check.out;

  const ProcessResult run = pellix({"run", file, "--pretend"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("error:"), std::string::npos) << run.out;

  const ProcessResult test = pellix({"test", file});
  EXPECT_EQ(test.status, 0) << test.out << test.err;
  EXPECT_NE(test.out.find(" passed, 0 failed\n"), std::string::npos) << test.out;
  EXPECT_EQ(test.out.find("no tests found"), std::string::npos) << test.out;

  const ProcessResult show = pellix({"show", file});
  EXPECT_EQ(show.status, 0) << show.err;
}

INSTANTIATE_TEST_SUITE_P(Examples, Example, ::testing::ValuesIn(example_names()),
                         [](const ::testing::TestParamInfo<std::string>& example) {
                           return example.param.substr(0, example.param.find('.'));
                         });

TEST(Examples, AreThere) { EXPECT_GE(example_names().size(), 5u); }

}  // namespace
}  // namespace pellix::testing
