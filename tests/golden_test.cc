// Runs every case under tests/golden/<area>/<case>/ through the built executable and compares
// standard output, standard error and the exit status byte for byte.
//
// A case folder holds `args` (one argument a line), optionally `stdin`, the expected `stdout`,
// `stderr` and `status` (a missing output file means empty output), and any input files, which
// are copied into the working folder of the run. An optional `masks` file holds one regular
// expression a line: every match in the actual output is replaced by "#" before comparing, for
// the parts that change from run to run (durations). With PELLIX_UPDATE_GOLDEN=1 in the
// environment the expected files are rewritten from the actual run instead, for review.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

const std::set<std::string> kReservedFiles = {"args",   "stdin",  "stdout",
                                              "stderr", "status", "masks"};

struct GoldenCase {
  std::string name;  // "<area>/<case>"
  fs::path folder;
};

void PrintTo(const GoldenCase& golden, std::ostream* out) { *out << golden.name; }

std::vector<GoldenCase> find_cases() {
  std::vector<GoldenCase> cases;
  const fs::path root = PELLIX_GOLDEN_DIR;
  for (const auto& area : fs::directory_iterator(root)) {
    if (!area.is_directory()) continue;
    for (const auto& folder : fs::directory_iterator(area.path())) {
      if (!fs::exists(folder.path() / "args")) continue;
      cases.push_back({area.path().filename().string() + "/" + folder.path().filename().string(),
                       folder.path()});
    }
  }
  std::sort(cases.begin(), cases.end(),
            [](const GoldenCase& a, const GoldenCase& b) { return a.name < b.name; });
  return cases;
}

std::string read_if_present(const fs::path& file) {
  return fs::exists(file) ? read_file(file) : std::string();
}

// One item a line; a missing file gives none.
std::vector<std::string> read_args(const fs::path& file) {
  std::vector<std::string> args;
  std::string content = read_if_present(file);
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    args.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

void copy_inputs(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::directory_iterator(from)) {
    if (kReservedFiles.count(entry.path().filename().string()) != 0) continue;
    fs::copy(entry.path(), to / entry.path().filename(), fs::copy_options::recursive);
  }
}

void write_expected(const fs::path& file, const std::string& content) {
  if (content.empty()) {
    fs::remove(file);
  } else {
    write_file(file, content);
  }
}

std::string masked(std::string text, const std::vector<std::string>& masks) {
  for (const std::string& mask : masks) text = std::regex_replace(text, std::regex(mask), "#");
  return text;
}

bool updating() {
  const char* update = std::getenv("PELLIX_UPDATE_GOLDEN");
  return update != nullptr && std::string(update) == "1";
}

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, MatchesExpectedOutput) {
  const GoldenCase& golden = GetParam();
  TempDir work;
  TempDir home;
  copy_inputs(golden.folder, work.path());

  ProcessOptions options;
  options.working_directory = work.path();
  options.home = home.path();
  options.stdin_text = read_if_present(golden.folder / "stdin");
  ProcessResult result = run_pellix(read_args(golden.folder / "args"), options);
  const auto masks = read_args(golden.folder / "masks");
  result.out = masked(result.out, masks);
  result.err = masked(result.err, masks);
  ASSERT_FALSE(result.timed_out) << "the run did not end in time";
  ASSERT_EQ(result.signal, 0) << "ended by signal " << result.signal << "\n" << result.err;

  if (updating()) {
    write_expected(golden.folder / "stdout", result.out);
    write_expected(golden.folder / "stderr", result.err);
    write_file(golden.folder / "status", std::to_string(result.status) + "\n");
    return;
  }
  EXPECT_EQ(result.out, read_if_present(golden.folder / "stdout")) << "standard output";
  EXPECT_EQ(result.err, read_if_present(golden.folder / "stderr")) << "standard error";
  EXPECT_EQ(std::to_string(result.status) + "\n", read_file(golden.folder / "status"))
      << "exit status";
}

std::string case_label(const ::testing::TestParamInfo<GoldenCase>& info) {
  std::string label = info.param.name;
  std::replace_if(
      label.begin(), label.end(),
      [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return label;
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(find_cases()), case_label);

}  // namespace
}  // namespace pellix::testing
