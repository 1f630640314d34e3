// The process runner against real programs: arguments as given, both outputs whole, input,
// exit status, signals, missing programs and the time limit.
#include "process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace pellix::os {
namespace {

using std::chrono::milliseconds;

ProcessOutcome run(ProcessRequest request) {
  Result<ProcessOutcome> outcome = run_process(request);
  EXPECT_TRUE(outcome.has_value()) << outcome.error().message;
  if (!outcome) return {};
  return std::move(*outcome);
}

TEST(Process, ArgumentsReachTheProgramAsGivenWithoutAShell) {
  const ProcessOutcome outcome = run({{"printf", "%s|", "a b", "$HOME", ";", "*", ""}, {}, {}});
  EXPECT_EQ(outcome.end, ProcessEnd::Exited);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, "a b|$HOME|;|*||");
  EXPECT_EQ(outcome.err, "");
}

TEST(Process, OutputErrorAndExitStatusAreKeptApart) {
  const ProcessOutcome outcome =
      run({{"sh", "-c", "printf out; printf err >&2; exit 3"}, {}, milliseconds(10000)});
  EXPECT_EQ(outcome.end, ProcessEnd::Exited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_EQ(outcome.out, "out");
  EXPECT_EQ(outcome.err, "err");
}

// A child that writes more than a pipe holds to both outputs, while it is still being fed,
// blocks unless every channel is served at once.
TEST(Process, LargeInputAndBothLargeOutputsFlowTogether) {
  const std::string input(3'000'000, 'x');
  const ProcessOutcome outcome =
      run({{"sh", "-c", "head -c 1000000 /dev/zero | tr '\\000' e >&2; cat; echo done >&2"},
           input,
           milliseconds(20000)});
  EXPECT_EQ(outcome.end, ProcessEnd::Exited);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, input);
  EXPECT_EQ(outcome.err, std::string(1'000'000, 'e') + "done\n");
}

TEST(Process, WithoutInputTheProgramReadsNothing) {
  const ProcessOutcome outcome = run({{"cat"}, {}, milliseconds(10000)});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, "");
}

TEST(Process, AProgramThatLeavesItsInputUnreadDoesNotHurtTheCaller) {
  const ProcessOutcome outcome = run({{"true"}, std::string(4'000'000, 'x'), milliseconds(10000)});
  EXPECT_EQ(outcome.end, ProcessEnd::Exited);
  EXPECT_EQ(outcome.status, 0);
}

TEST(Process, ASignalThatEndsTheProgramIsReported) {
  const ProcessOutcome outcome = run({{"sh", "-c", "kill -TERM $$"}, {}, milliseconds(10000)});
  EXPECT_EQ(outcome.end, ProcessEnd::Signalled);
  EXPECT_EQ(outcome.status, 15);
}

TEST(Process, AProgramPastItsTimeLimitIsKilled) {
  const auto started = std::chrono::steady_clock::now();
  const ProcessOutcome outcome =
      run({{"sh", "-c", "printf early; exec sleep 30"}, {}, milliseconds(300)});
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(outcome.end, ProcessEnd::TimedOut);
  EXPECT_EQ(outcome.out, "early");
  EXPECT_GE(took, milliseconds(300));
  EXPECT_LT(took, milliseconds(5000));
}

// The limit holds also while the input is still waiting to be read.
TEST(Process, TheTimeLimitHoldsWhileInputIsPending) {
  const ProcessOutcome outcome =
      run({{"sleep", "30"}, std::string(4'000'000, 'x'), milliseconds(300)});
  EXPECT_EQ(outcome.end, ProcessEnd::TimedOut);
}

TEST(Process, AMissingProgramIsAnErrorWithTheSystemsWords) {
  const Result<ProcessOutcome> outcome = run_process({{"pellix-no-such-program"}, {}, {}});
  ASSERT_FALSE(outcome.has_value());
  EXPECT_EQ(outcome.error().message, "No such file or directory");

  const Result<ProcessOutcome> none = run_process({});
  ASSERT_FALSE(none.has_value());
  EXPECT_EQ(none.error().message, "no program to run");
}

}  // namespace
}  // namespace pellix::os
