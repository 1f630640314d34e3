#include "cli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellix {
namespace {

std::vector<std::string> command_line(std::vector<std::string> rest) {
  rest.insert(rest.begin(), "pellix");
  return rest;
}

TEST(OptionValues, RunsFallBackToTenUnlessAValidCountFollows) {
  struct Case {
    std::vector<std::string> args;
    std::uint64_t runs;
  };
  const std::vector<Case> cases = {
      {{"bench", "app.plx"}, 10},
      {{"bench", "app.plx", "--runs", "3"}, 3},
      {{"bench", "--runs", "+5", "app.plx"}, 5},
      {{"bench", "app.plx", "--runs", "0"}, 0},
      {{"bench", "app.plx", "--runs"}, 10},
      {{"bench", "app.plx", "--runs", "abc"}, 10},
      {{"bench", "app.plx", "--runs", "-1"}, 10},
      {{"bench", "app.plx", "--runs", " 5"}, 10},
      {{"bench", "app.plx", "--runs", "5x"}, 10},
      {{"bench", "app.plx", "--runs", "+"}, 10},
      {{"bench", "app.plx", "--runs", "18446744073709551615"}, 18446744073709551615ULL},
      {{"bench", "app.plx", "--runs", "18446744073709551616"}, 10},
      {{"bench", "app.plx", "--runs", "7", "--runs", "8"}, 7},
      {{"bench", "app.plx", "--RUNS", "7"}, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(runs_option(command_line(c.args)), c.runs);
  }
}

TEST(OptionValues, PortFallsBackTo3000UnlessAValidPortFollows) {
  struct Case {
    std::vector<std::string> args;
    std::uint16_t port;
  };
  const std::vector<Case> cases = {
      {{"serve", "app.plx"}, 3000},
      {{"serve", "app.plx", "--port", "8080"}, 8080},
      {{"serve", "app.plx", "--port", "0"}, 0},
      {{"serve", "app.plx", "--port", "65535"}, 65535},
      {{"serve", "app.plx", "--port", "65536"}, 3000},
      {{"serve", "app.plx", "--port", "70000"}, 3000},
      {{"serve", "app.plx", "--port", "+80"}, 80},
      {{"serve", "app.plx", "--port", "-80"}, 3000},
      {{"serve", "app.plx", "--port"}, 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(port_option(command_line(c.args)), c.port);
  }
}

}  // namespace
}  // namespace pellix
