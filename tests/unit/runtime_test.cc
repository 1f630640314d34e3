// The interpreter on short programs: each case is a program, the flow's result (its display
// text, or "error: " and the error) and the lines it printed.
#include "runtime.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "support/parse_program.h"

namespace pellix {
namespace {

struct Outcome {
  std::string result;
  std::string printed;
};

using testing::parse_program;

Outcome run_flow(const std::string& source, const std::string& flow = "main",
                 std::vector<Value> args = {}) {
  std::ostringstream printed;
  Runtime runtime(printed);
  runtime.load(parse_program(source));
  const Result<Value> result = runtime.run_flow(flow, std::move(args));
  return {result ? display(*result) : "error: " + result.error().message, printed.str()};
}

// The value of one expression, returned from a flow that first sets a few variables.
std::string value_of(const std::string& expression) {
  return run_flow(
             "flow main:\n"
             "  x = 5\n"
             "  items = [1, 2, 3]\n"
             "  item = {name: \"Alice\"}\n"
             "  word = \"h\u00e9llo\"\n"
             "  return " +
             expression + "\n")
      .result;
}

TEST(RuntimeExpressions, EvaluateByTheValueRules) {
  struct Case {
    std::string expression;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"1 + 2 * 3", "7"},
      {"7 / 2", "3"},
      {"7.0 / 2", "3.5"},
      {"5 / 0", "error: cannot divide by zero"},
      {"\"ab\" + \"cd\"", "abcd"},
      {"x", "5"},
      {"missing", "nothing"},
      {"today", "2026-04-10"},
      {"now", "2026-04-10T00:00:00Z"},
      {"items.count", "3"},
      {"item.name", "Alice"},
      {"item.age", "nothing"},
      {"word.length", "6"},
      {"x.length", "nothing"},
      {"not x", "false"},
      {"x above 3 and x below 10", "true"},
      {"\"\" and true", "false"},
      {"false or \"x\"", "x"},
      {"0 or 0", "0"},
      {"sum of [1, 2.5, \"x\"]", "3.5"},
      {"sum of []", "0"},
      {"sum of 5", "0"},
      {"x |> _pipe", "5"},
      {"undefined_function(1)", "nothing"},
      {"undefined_function(1 / 0)", "error: cannot divide by zero"},
      {"{a: 1, a: 2, b: 3}", "{a: 2, b: 3}"},
      {"[1, [2, \"x\"], nothing]", "[1, [2, x], nothing]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(value_of(c.expression), c.expected);
  }
}

TEST(RuntimeExpressions, InterpolateNamesAndKeepWhatDoesNotResolve) {
  struct Case {
    std::string literal;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"x is {x}", "x is 5"},
      {"{y}", "{y}"},
      {"{x", "5"},
      {"{}", "{}"},
      {"{today}", "{today}"},
      {"{item.name}", "Alice"},
      {"{item.age}", "{item.age}"},
      {"{items.count}, {items.first} and {items.last}", "3, 1 and 3"},
      {"{item.name.more}", "Alice"},
      {"{a + b}", "{a + b}"},
      {"{word.length}", "6"},
      {"{missing", "{missing}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_EQ(value_of("\"" + c.literal + "\""), c.expected);
  }
}

TEST(RuntimeStatements, ControlFlowYieldsTheSpecifiedResults) {
  struct Case {
    std::string body;  // the flow's body, indented by two spaces per line
    std::string result;
    std::string printed;
  };
  const std::vector<Case> cases = {
      {"if true:\n    return 1\n  return 2\n", "2", ""},
      {"return 1\n  stop\n", "1", ""},
      {"match 1.0:\n    1 -> return \"int\"\n    otherwise -> return \"other\"\n", "other", ""},
      {"match 2:\n    otherwise -> return \"first\"\n    2 -> return \"two\"\n", "first", ""},
      {"match confidence of 5:\n    certain -> return \"certain\"\n", "certain", ""},
      {"for each x in [1, 2]:\n    y = x\n  return x\n", "2", ""},
      {"for each x in 5:\n    y = 1\n  return y\n", "nothing", ""},
      {"total = 0\n  for each x in [1, 2, 3, 4] where x above 2:\n    total = total + x\n"
       "  return total\n",
       "7", ""},
      {"n = 0\n  repeat 3 times:\n    n = n + 1\n  return n\n", "3", ""},
      {"n = 0\n  repeat 3.0 times:\n    n = n + 1\n  return n\n", "0", ""},
      {"n = 0\n  repeat 0 - 2 times:\n    n = n + 1\n  return n\n", "0", ""},
      {"need false\n", "error: precondition failed", ""},
      {"need 0 otherwise \"x is required\"\n", "error: x is required", ""},
      {"try:\n    stop\n  if it fails:\n    return \"caught\"\n", "caught", ""},
      {"try:\n    x = 1 / 0\n", "nothing", ""},
      {"stop\n", "error: stopped", ""},
      {"assume false\n  but if wrong:\n    y = 1\n  return y\n", "1",
       "  assumption failed \u2014 running recovery\n"},
      {"pretend:\n    pretend:\n      y = 1\n  return y\n", "1",
       "  [pretend mode \u2014 no real actions]\n  [pretend mode \u2014 no real actions]\n"},
      {"order = {total: 5}\n  check order:\n    has total\n    has tax\n    total above 10\n"
       "    confidence above 0.9\n    prove with receipt, ledger\n    otherwise y = 1\n",
       "false",
       "  check failed: missing field \"tax\"\n  check failed: condition not met\n"
       "  proof: receipt, ledger\n"},
      {"order = {total: 5}\n  check order:\n    has total\n", "true", "  checked: passed\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const Outcome outcome = run_flow("flow main:\n  " + c.body);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.printed, c.printed);
  }
}

TEST(Runtime, EntryPointsBindParametersAndShareOneVariableTable) {
  const std::string program =
      "to add_one given n:\n  return n + 1\n"
      "flow main given a, b:\n  c = add_one(a)\n  return [a, b, c, n]\n"
      "job tidy:\n  return \"tidy\"\n"
      "agent writer uses \"gpt-4o\":\n  job greet:\n    return \"hello\"\n";
  std::ostringstream printed;
  Runtime runtime(printed);
  runtime.load(parse_program(program));
  const auto result = runtime.run_flow("main", {Value::integer(1)});
  ASSERT_TRUE(result.has_value());
  // b was never bound; the function's parameter n stays in the one table afterwards.
  EXPECT_EQ(display(*result), "[1, nothing, 2, 1]");
  EXPECT_EQ(display(*runtime.run_job("tidy", {})), "tidy");
  EXPECT_EQ(display(*runtime.run_job("writer.greet", {})), "hello");
  EXPECT_EQ(runtime.run_job("greet", {}).error().message, "job \"greet\" not found");
  EXPECT_EQ(runtime.run_flow("missing", {}).error().message, "flow \"missing\" not found");
  EXPECT_EQ(runtime.run_function("nope", {}).error().message, "function \"nope\" not found");
  ASSERT_TRUE(runtime.ai_config.has_value());
  EXPECT_EQ(runtime.ai_config->model, "gpt-4o");
}

// Operands are read left to right, so a call on the right that changes the variable on the
// left does not change what the left side read.
TEST(RuntimeExpressions, OperandsAreReadInOrderAroundCalls) {
  const std::string program =
      "to bump:\n  x = 10\n  return 1\n"
      "flow main:\n"
      "  x = 1\n  a = x + bump()\n"
      "  x = 1\n  b = bump() + x\n"
      "  x = 1\n  c = x below bump()\n"
      "  return [a, b, c]\n";
  EXPECT_EQ(run_flow(program).result, "[2, 11, false]");
}

// What the runtime made of a tree is kept with the tree but belongs to one runtime: another
// runtime, or a copy of the tree, makes its own.
TEST(Runtime, CompiledTreesBelongToOneRuntimeAndOneTree) {
  const Program program = parse_program("flow main:\n  return x + y.count\n");
  const auto& flow = std::get<FlowDecl>(program.declarations.front().node);
  const Expression& expression = std::get<stmt::Return>(flow.body.front().node).value;
  std::ostringstream printed;
  {
    Runtime first(printed);
    first.set_variable("y", Value::list({Value::integer(1)}));
    first.set_variable("x", Value::integer(1));
    EXPECT_EQ(display(*first.evaluate(expression)), "2");
  }
  Runtime second(printed);
  second.set_variable("x", Value::integer(5));
  second.set_variable("y", Value::list());
  EXPECT_EQ(display(*second.evaluate(expression)), "5");
  const auto copy = std::make_unique<Expression>(expression);
  EXPECT_EQ(display(*second.evaluate(*copy)), "5");
}

// A call keeps the function it found, yet a later load of the same name takes its place.
TEST(Runtime, LoadingAgainReplacesFunctionsForCallersAlreadyRun) {
  std::ostringstream printed;
  Runtime runtime(printed);
  runtime.load(parse_program("to f:\n  return 1\nflow main:\n  return f()\n"));
  EXPECT_EQ(display(*runtime.run_flow("main", {})), "1");
  runtime.load(parse_program("to f:\n  return 2\n"));
  EXPECT_EQ(display(*runtime.run_flow("main", {})), "2");
}

// Untrusted programs run with a budget: loop rounds and calls each take a step, and running
// out is an ordinary error.
TEST(Runtime, AStepBudgetEndsLongRunsWithAnError) {
  struct Case {
    std::string program;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"flow main:\n  repeat 1000000000 times:\n    x = 1\n", "error: step limit exceeded"},
      {"flow main:\n  for each x in [1, 2, 3, 4]:\n    y = x\n  return y\n", "4"},
      {"flow main:\n  for each x in [1, 2, 3, 4, 5, 6]:\n    y = x\n  return y\n",
       "error: step limit exceeded"},
      {"to f given n:\n  return f(n + 1)\nflow main:\n  try:\n    f(0)\n  if it fails:\n"
       "    return \"caught\"\n",
       "caught"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    std::ostringstream printed;
    Runtime runtime(printed);
    runtime.load(parse_program(c.program));
    runtime.limit_steps(5);
    const Result<Value> result = runtime.run_flow("main", {});
    EXPECT_EQ(result ? display(*result) : "error: " + result.error().message, c.result);
  }
}

TEST(Runtime, EndlessRecursionFailsWithACatchableError) {
  const std::string program =
      "to down given n:\n  return down(n + 1)\n"
      "flow main:\n  return down(0)\n"
      "flow guarded:\n  try:\n    down(0)\n  if it fails:\n    return \"caught\"\n";
  EXPECT_EQ(run_flow(program).result, "error: call depth limit exceeded");
  EXPECT_EQ(run_flow(program, "guarded").result, "caught");
}

}  // namespace
}  // namespace pellix
