// The checker's rules as short programs with the diagnostics they must yield, message and
// explanation in full, and the exact standard-error text of a report.
#include "checker.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ast.h"
#include "support/examples.h"
#include "support/parse_program.h"

namespace pellix {

// Shows a diagnostic in full when a comparison fails.
inline void PrintTo(const Diagnostic& diagnostic, std::ostream* out) {
  *out << "{\"" << diagnostic.message << "\", \"" << diagnostic.why << "\"}";
}

namespace {

// The explanations, spelled out once here as the user sees them.
const std::string kEmptyRecordWhy = "every record needs at least one field";
const std::string kDuplicateFieldWhy = "each field name must be unique within a record";
const std::string kNoCapabilitiesWhy = "add: can reason, communicate";
const std::string kNoJobsWhy = "an agent without jobs can't do anything";
const std::string kSmallTeamWhy = "a team should have at least 2 agents to coordinate";
const std::string kNoTitleWhy = "add: title is \"Page Title\"";
const std::string kUseJobOrFlowWhy =
    "functions defined with \"to\" must be predictable.\nUse \"job\" or \"flow\" instead.";
const std::string kUseJobWhy =
    "functions defined with \"to\" must be predictable.\nUse \"job\" instead.";
const std::string kUseFlowWhy =
    "functions defined with \"to\" must be predictable.\nUse \"flow\" instead.";
const std::string kNoAiWhy = "functions defined with \"to\" cannot use AI.\nUse \"job\" instead.";

using testing::parse_program;

CheckReport check_source(const std::string& source) {
  return Checker().check(parse_program(source));
}

// Diagnostics by rule, the names filled in.
Diagnostic empty_record(const std::string& record) {
  return {"record \"" + record + "\" has no fields", kEmptyRecordWhy};
}
Diagnostic duplicate_field(const std::string& field, const std::string& record) {
  return {"duplicate field \"" + field + "\" in record \"" + record + "\"", kDuplicateFieldWhy};
}
Diagnostic no_model(const std::string& agent) {
  return {"agent \"" + agent + "\" has no model specified",
          "add: agent " + agent + " uses \"claude-sonnet-4-6\""};
}
Diagnostic no_capabilities(const std::string& agent) {
  return {"agent \"" + agent + "\" has no capabilities", kNoCapabilitiesWhy};
}
Diagnostic no_jobs(const std::string& agent) {
  return {"agent \"" + agent + "\" has no jobs", kNoJobsWhy};
}
Diagnostic small_team(const std::string& team) {
  return {"team \"" + team + "\" has less than 2 agents", kSmallTeamWhy};
}
Diagnostic unknown_member(const std::string& team, const std::string& agent) {
  return {"team \"" + team + "\" references unknown agent \"" + agent + "\"",
          "define the agent first: agent " + agent + " uses \"...\":"};
}
Diagnostic no_title(const std::string& page) {
  return {"page \"" + page + "\" has no title", kNoTitleWhy};
}
Diagnostic forbidden(const std::string& word, const std::string& function, const std::string& why) {
  return {"\"" + word + "\" cannot be used inside function \"" + function + "\"", why};
}
Diagnostic remember_in(const std::string& function) {
  return forbidden("remember", function, kUseJobOrFlowWhy);
}
Diagnostic recall_in(const std::string& function) {
  return forbidden("recall", function, kUseJobOrFlowWhy);
}
Diagnostic teach_in(const std::string& function) {
  return forbidden("teach", function, kUseJobWhy);
}
Diagnostic narrate_in(const std::string& function) {
  return forbidden("narrate", function, kUseJobWhy);
}
Diagnostic send_in(const std::string& function) { return forbidden("send", function, kUseFlowWhy); }
Diagnostic call_in(const std::string& function) { return forbidden("call", function, kUseFlowWhy); }
const Diagnostic kReasonExpression{"\"reason\" used as expression inside a pure function",
                                   kNoAiWhy};
const Diagnostic kSenseExpression{"\"sense\" used inside a pure function", kNoAiWhy};
const Diagnostic kTranslateExpression{"\"translate\" used inside a pure function", kNoAiWhy};
const Diagnostic kSummarizeExpression{"\"summarize\" used inside a pure function", kNoAiWhy};

// A program and everything the checker must say about it.
struct Case {
  std::string behaviour;
  std::string source;
  std::vector<Diagnostic> errors;
  std::vector<Diagnostic> warnings;
};

void expect_cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.behaviour + "\n" + c.source);
    const CheckReport report = check_source(c.source);
    EXPECT_EQ(report.errors, c.errors);
    EXPECT_EQ(report.warnings, c.warnings);
  }
}

// A function "tidy" with one parameter and `body`, its lines indented by two spaces.
std::string function_with(const std::string& body) { return "to tidy given x:\n" + body; }

TEST(Checker, RecordRules) {
  expect_cases({
      {"a record with fields and distinct names is fine",
       "record Item:\n  name is text, required\n  done is yes or no\n",
       {},
       {}},
      {"a record without fields is an error, and only that",
       "record Empty:\n  track changes\n",
       {empty_record("Empty")},
       {}},
      {"every later repetition of a field name is an error of its own",
       "record Pair:\n  a is text\n  b is text\n  a is number\n  a is text\n",
       {duplicate_field("a", "Pair"), duplicate_field("a", "Pair")},
       {}},
      {"duplicates are reported in the order of the repeating fields",
       "record R:\n  x is text\n  y is text\n  y is text\n  x is text\n",
       {duplicate_field("y", "R"), duplicate_field("x", "R")},
       {}},
      {"field names are compared byte for byte",
       "record R:\n  name is text\n  Name is text\n",
       {},
       {}},
      {"names are inserted as written, without escaping",
       "record R:\n  a is text\n  a is text\nrecord \xc3\x89t\xc3\xa9:\n  track changes\n",
       {duplicate_field("a", "R"), empty_record("\xc3\x89t\xc3\xa9")},
       {}},
  });
}

TEST(Checker, AgentRules) {
  expect_cases({
      {"an agent with a model, capabilities and a job is fine",
       "agent helper uses \"gpt-4o\":\n  can reason\n  job greet:\n    stop\n",
       {},
       {}},
      {"an agent lacking everything gets three warnings: model, capabilities, jobs",
       "agent idle:\n  remembers across sessions\n",
       {},
       {no_model("idle"), no_capabilities("idle"), no_jobs("idle")}},
      {"each missing part is warned about on its own",
       "agent a:\n  can reason\n  job j:\n    stop\n"
       "agent b uses \"m\":\n  job j:\n    stop\n"
       "agent c uses \"m\":\n  can reason\n",
       {},
       {no_model("a"), no_capabilities("b"), no_jobs("c")}},
      {"an agent's jobs may use AI and side effects",
       "agent helper uses \"m\":\n  can reason\n  job j given x:\n    narrate \"hi\"\n"
       "    a = reason about x: be brief\n    remember x\n",
       {},
       {}},
  });
}

TEST(Checker, TeamRules) {
  const std::string agent_a = "agent a uses \"m\":\n  can reason\n  job j:\n    stop\n";
  const std::string agent_b = "agent b uses \"m\":\n  can reason\n  job j:\n    stop\n";
  expect_cases({
      {"a team may name an agent declared after it",
       agent_a + "team crew is a, b\n" + agent_b,
       {},
       {}},
      {"a team of one declared agent gets only the warning",
       agent_a + "team solo is a\n",
       {},
       {small_team("solo")}},
      {"a team of one undeclared agent gets the warning and one error",
       "team solo is ghost\n",
       {unknown_member("solo", "ghost")},
       {small_team("solo")}},
      {"each unknown name is an error, in list order",
       agent_a + "team crew is zed, a, yan\n",
       {unknown_member("crew", "zed"), unknown_member("crew", "yan")},
       {}},
      {"agent names are compared byte for byte",
       agent_a + agent_b + "team crew is A, b\n",
       {unknown_member("crew", "A")},
       {}},
      {"a name listed twice counts twice", agent_a + "team twins is a, a\n", {}, {}},
  });
}

TEST(Checker, ATeamWithoutAgentsGetsOnlyTheWarning) {
  Program program;
  program.declarations.push_back(Declaration{TeamDecl{"empty", {}}});
  const CheckReport report = Checker().check(program);
  EXPECT_EQ(report.errors, std::vector<Diagnostic>{});
  EXPECT_EQ(report.warnings, std::vector<Diagnostic>{small_team("empty")});
}

TEST(Checker, PageRules) {
  expect_cases({
      {"a page with a title is fine", "page \"Home\":\n  title is \"Welcome\"\n", {}, {}},
      {"the title may come after other items",
       "page \"Home\":\n  divider\n  text \"hi\"\n  title is \"Welcome\"\n",
       {},
       {}},
      {"a page without a title is warned about",
       "page \"Bare\":\n  divider\n",
       {},
       {no_title("Bare")}},
      {"a title inside a form does not count",
       "page \"Form\":\n  form:\n    title is \"Inside\"\n    submit \"Go\"\n",
       {},
       {no_title("Form")}},
      {"a title beside others does not count",
       "page \"Beside\":\n  beside:\n    title is \"Inside\"\n",
       {},
       {no_title("Beside")}},
      {"a title in a card does not count",
       "page \"Card\":\n  card \"c\":\n    title is \"Inside\"\n",
       {},
       {no_title("Card")}},
      {"a title in a panel does not count",
       "page \"Panels\":\n  panels:\n    panel \"p\":\n      title is \"Inside\"\n",
       {},
       {no_title("Panels")}},
      {"a title in either branch of a condition does not count",
       "page \"Maybe\":\n  if x:\n    title is \"Yes\"\n  otherwise:\n    title is \"No\"\n",
       {},
       {no_title("Maybe")}},
  });
}

// The statements and expressions a function must not use, each alone in a function body.
TEST(Checker, FunctionsMustNotUseSideEffectsOrAi) {
  expect_cases({
      {"remember", function_with("  remember x about user as note\n"), {remember_in("tidy")}, {}},
      {"recall", function_with("  recall notes about user\n"), {recall_in("tidy")}, {}},
      {"teach", function_with("  teach \"be kind\"\n"), {teach_in("tidy")}, {}},
      {"narrate", function_with("  narrate \"step\"\n"), {narrate_in("tidy")}, {}},
      {"send",
       function_with("  send email to x:\n    subject is \"Hi\"\n    body is \"Hello\"\n"),
       {send_in("tidy")},
       {}},
      {"call",
       function_with("  call api \"weather\":\n    city is \"Oslo\"\n"),
       {call_in("tidy")},
       {}},
      {"an assigned reason",
       function_with("  a = reason about x: be brief\n"),
       {kReasonExpression},
       {}},
      {"an assigned sense", function_with("  a = sense x\n"), {kSenseExpression}, {}},
      {"an assigned translate",
       function_with("  a = translate x to \"French\"\n"),
       {kTranslateExpression},
       {}},
      {"an assigned summarize", function_with("  a = summarize x\n"), {kSummarizeExpression}, {}},
      {"the function's own name is reported",
       "to clean:\n  teach \"a\"\nto tally:\n  teach \"b\"\n",
       {teach_in("clean"), teach_in("tally")},
       {}},
      {"every forbidden statement is reported, in order",
       function_with("  send email to x:\n    body is \"b\"\n  narrate \"n\"\n  remember x\n"
                     "  a = sense x\n  call \"api\":\n    key is 1\n"),
       {send_in("tidy"), narrate_in("tidy"), remember_in("tidy"), kSenseExpression,
        call_in("tidy")},
       {}},
  });
}

// Where the purity walk reaches: nested bodies, assigned and created values, and the operands
// of arithmetic and pipes, in source order.
TEST(Checker, ThePurityWalkReachesNestedBodiesAndOperands) {
  expect_cases({
      {"a narrate in an if in a for-each",
       function_with("  for each item in x:\n    if item:\n      narrate \"deep\"\n"),
       {narrate_in("tidy")},
       {}},
      {"then, else-if and else bodies, in that order",
       function_with("  if x:\n    narrate \"then\"\n  else if x:\n    teach \"one\"\n"
                     "  else if x:\n    remember x\n  otherwise:\n    a = sense x\n"),
       {narrate_in("tidy"), teach_in("tidy"), remember_in("tidy"), kSenseExpression},
       {}},
      {"repeat bodies",
       function_with("  repeat 3 times:\n    remember x\n  repeat until x:\n    recall notes\n"),
       {remember_in("tidy"), recall_in("tidy")},
       {}},
      {"pretend and together bodies",
       function_with("  pretend:\n    send email to x:\n      body is \"b\"\n"
                     "  together:\n    call \"api\":\n      key is 1\n"),
       {send_in("tidy"), call_in("tidy")},
       {}},
      {"the recovery body of assume",
       function_with("  assume x\n  but if wrong:\n    b = summarize x\n"),
       {kSummarizeExpression},
       {}},
      {"the body of try, then its failure body",
       function_with("  try:\n    c = translate x to \"French\"\n  if it fails:\n"
                     "    d = reason about x\n"),
       {kTranslateExpression, kReasonExpression},
       {}},
      {"each created field value, in order",
       function_with("  create Order:\n    total is 1 + sense x\n    note is x |> (summarize x)\n"),
       {kSenseExpression, kSummarizeExpression},
       {}},
      {"both operands of arithmetic, left first, however deep",
       function_with("  e = (sense x) * 2 + (translate x to \"German\")\n"
                     "  f = 1 - 2 / (summarize x)\n"),
       {kSenseExpression, kTranslateExpression, kSummarizeExpression},
       {}},
      {"both sides of a pipe, left first",
       function_with("  f = x |> (sense x) |> (reason x)\n"),
       {kSenseExpression, kReasonExpression},
       {}},
  });
}

// One line of a function body that the walk must leave alone, and the form the line parses
// to (the statement, and for an assignment the assigned expression), so the case cannot pass
// by parsing into something else.
struct Unreached {
  std::string behaviour;
  std::string body;
  std::string shape;
};

std::string shape_of(const Statement& statement) {
  std::string shape(statement_name(statement));
  if (const auto* assignment = std::get_if<stmt::Assignment>(&statement.node)) {
    shape += " ";
    shape += expression_name(assignment->value);
  }
  return shape;
}

TEST(Checker, ThePurityWalkGoesNoFurther) {
  const std::vector<Unreached> cases = {
      {"a stand-alone reason line", "  reason about x: be brief\n", "ExprStatement"},
      {"a stand-alone sense line", "  sense x\n", "ExprStatement"},
      {"a returned reason", "  return reason about x\n", "Return"},
      {"a logged value", "  log sense x\n", "Log"},
      {"a changed value", "  change x to sense x\n", "Change"},
      {"a need", "  need sense x\n", "Need"},
      {"the arms of a match", "  match x:\n    1 -> narrate \"one\"\n", "Match"},
      {"the arms of a confidence match", "  match confidence of x:\n    high -> teach \"t\"\n",
       "ConfidenceMatch"},
      {"the otherwise of a check", "  check x:\n    otherwise narrate \"bad\"\n", "Check"},
      {"a run's arguments", "  run helper greet sense x\n", "Run"},
      {"an added item", "  add sense x to list\n", "Add"},
      {"a removed item", "  remove sense x from list\n", "Remove"},
      {"a flagged value", "  flag sense x as \"odd\"\n", "Flag"},
      {"a notification", "  notify admin sense x\n", "Notify"},
      {"forget", "  forget notes about user\n", "Forget"},
      {"an update's values", "  update order:\n    change total to sense x\n", "Update"},
      {"a delete's condition", "  delete Order where sense x\n", "Delete"},
      {"stop and undo", "  stop\n", "Stop"},
      {"the timeout body of try",
       "  try:\n    stop\n  if it fails:\n    stop\n  if it times out:\n    narrate \"slow\"\n",
       "Try"},
      {"an if's condition", "  if sense x:\n    stop\n", "If"},
      {"an else-if's condition", "  if x:\n    stop\n  else if sense x:\n    stop\n", "If"},
      {"a for-each's collection and filter",
       "  for each item in sense x where sense item:\n    stop\n", "ForEach"},
      {"a repeat's count", "  repeat sense x times:\n    stop\n", "Repeat"},
      {"a repeat's condition", "  repeat until sense x:\n    stop\n", "Repeat"},
      {"an assumption", "  assume sense x\n  but if wrong:\n    stop\n", "Assume"},
      {"list items", "  a = [sense x, reason x]\n", "Assignment List"},
      {"map values", "  a = {mood: sense x}\n", "Assignment Map"},
      {"call arguments", "  a = f(sense x)\n", "Assignment FunctionCall"},
      {"a comparison", "  a = x is sense x\n", "Assignment Comparison"},
      {"a logical and", "  a = x and sense x\n", "Assignment LogicalAnd"},
      {"a logical or", "  a = x or sense x\n", "Assignment LogicalOr"},
      {"a negation", "  a = not sense x\n", "Assignment UnaryNot"},
      {"a member access", "  a = (sense x).mood\n", "Assignment MemberAccess"},
      {"a sum", "  a = sum of sense x\n", "Assignment SumOf"},
      {"debate", "  a = debate \"tabs or spaces\"\n", "Assignment DebateExpr"},
      {"blend", "  a = blend x, x\n", "Assignment BlendExpr"},
      {"imagine", "  a = imagine: a world\n", "Assignment ImagineExpr"},
      {"rethink", "  a = rethink x: are you sure\n", "Assignment RethinkExpr"},
      {"rethink of a reason", "  a = rethink (reason x)\n", "Assignment RethinkExpr"},
      {"compare", "  a = compare x and x: which\n", "Assignment CompareExpr"},
      {"recall as a value", "  a = recall notes about user\n", "Assignment FunctionCall"},
      {"find", "  a = find Task where done is false\n", "Assignment FunctionCall"},
      {"plain values", "  a = \"{x}\"\n", "Assignment StringLit"},
  };
  for (const Unreached& c : cases) {
    SCOPED_TRACE(c.behaviour + "\n" + c.body);
    const Program program = parse_program(function_with(c.body));
    ASSERT_EQ(program.declarations.size(), 1u);
    const auto& function = std::get<FunctionDecl>(program.declarations[0].node);
    ASSERT_EQ(function.body.size(), 1u);
    EXPECT_EQ(shape_of(function.body[0]), c.shape);
    const CheckReport report = Checker().check(program);
    EXPECT_EQ(report.errors, std::vector<Diagnostic>{});
    EXPECT_EQ(report.warnings, std::vector<Diagnostic>{});
  }
}

TEST(Checker, JobsAndFlowsMayUseEveryAiFormAndSideEffect) {
  const std::string body =
      "  remember x\n  recall notes\n  teach \"t\"\n  narrate \"n\"\n"
      "  send email to x:\n    body is \"b\"\n  call \"api\":\n    key is 1\n"
      "  a = reason about x: be brief\n  b = sense x\n  c = translate x to \"French\"\n"
      "  d = summarize x\n  e = (sense x) + (summarize x)\n";
  std::string indented_body;  // the same lines, one level deeper, for an agent's job
  std::istringstream lines(body);
  for (std::string line; std::getline(lines, line);) indented_body += "  " + line + "\n";
  expect_cases({
      {"a job", "job j given x:\n" + body, {}, {}},
      {"a flow", "flow f given x:\n" + body, {}, {}},
      {"an agent's job",
       "agent helper uses \"m\":\n  can reason\n  job j given x:\n" + indented_body,
       {},
       {}},
  });
}

TEST(Checker, ReportsEachListInSourceOrder) {
  expect_cases({
      {"diagnostics follow the declarations, and the rules within one",
       "app \"Mixed\"\n"
       "record Empty:\n  track changes\n"
       "agent loner:\n  remembers\n"
       "team crew is loner, ghost\n"
       "page \"Bare\":\n  divider\n"
       "to pure:\n  narrate \"x\"\n  a = sense x\n"
       "team solo is later\n"
       "record Twice:\n  a is text\n  a is text\n"
       "agent later uses \"m\":\n  can reason\n"
       "use \"lib.plx\"\nalways rate = 0.2\nchoices Status is \"open\", \"done\"\n"
       "job j:\n  narrate \"fine\"\nflow f:\n  narrate \"fine\"\n",
       {empty_record("Empty"), unknown_member("crew", "ghost"), narrate_in("pure"),
        kSenseExpression, duplicate_field("a", "Twice")},
       {no_model("loner"), no_capabilities("loner"), no_jobs("loner"), no_title("Bare"),
        small_team("solo"), no_jobs("later")}},
  });
}

TEST(Checker, TheSampleProgramIsClean) {
  const CheckReport report = check_source(testing::read_example("sample.plx"));
  EXPECT_EQ(report.errors, std::vector<Diagnostic>{});
  EXPECT_EQ(report.warnings, std::vector<Diagnostic>{});
}

TEST(Checker, AnEmptyProgramIsClean) {
  const CheckReport report = Checker().check(Program{});
  EXPECT_TRUE(report.errors.empty());
  EXPECT_TRUE(report.warnings.empty());
}

TEST(Checker, StartsAfreshAfterEachCheck) {
  Checker checker;
  const Program first = parse_program("agent a:\n  remembers\nrecord Empty:\n  track changes\n");
  const Program second = parse_program("team crew is a, b\n");
  const CheckReport report_one = checker.check(first);
  EXPECT_EQ(report_one.errors, std::vector<Diagnostic>{empty_record("Empty")});
  EXPECT_EQ(report_one.warnings.size(), 3u);
  // Neither the findings nor the agent names of the first program carry over.
  const CheckReport report_two = checker.check(second);
  EXPECT_EQ(report_two.errors,
            (std::vector<Diagnostic>{unknown_member("crew", "a"), unknown_member("crew", "b")}));
  EXPECT_EQ(report_two.warnings, std::vector<Diagnostic>{});
}

// ---------------------------------------------------------------------------------------------
// Rendering

TEST(RenderDiagnostics, NothingForAnEmptyReport) { EXPECT_EQ(render_diagnostics({}), ""); }

TEST(RenderDiagnostics, WarningsAloneAreOneLineEachWithoutTheirWhy) {
  const CheckReport report{{}, {{"agent \"a\" has no jobs", "ignored"}, {"second", ""}}};
  EXPECT_EQ(render_diagnostics(report),
            "  warning: agent \"a\" has no jobs\n"
            "  warning: second\n");
}

TEST(RenderDiagnostics, ErrorsAloneFollowAnEmptyLine) {
  const CheckReport report{{{"first", "because"}, {"second", "also"}}, {}};
  EXPECT_EQ(render_diagnostics(report),
            "\n"
            "  error: first\n"
            "\n"
            "  Why: because\n"
            "\n"
            "  error: second\n"
            "\n"
            "  Why: also\n"
            "\n");
}

TEST(RenderDiagnostics, WarningsComeBeforeErrors) {
  const CheckReport report{{{"bad", "why"}}, {{"careful", "w"}}};
  EXPECT_EQ(render_diagnostics(report),
            "  warning: careful\n"
            "\n"
            "  error: bad\n"
            "\n"
            "  Why: why\n"
            "\n");
}

TEST(RenderDiagnostics, LaterLinesOfAWhyAreIndentedByEightSpaces) {
  const CheckReport report{{{"m", "one\ntwo\nthree"}}, {}};
  EXPECT_EQ(render_diagnostics(report),
            "\n  error: m\n\n  Why: one\n        two\n        three\n\n");
}

TEST(RenderDiagnostics, CarriageReturnsBeforeLineBreaksAreDropped) {
  const CheckReport report{{{"m", "one\r\ntwo\r\nthree"}}, {}};
  EXPECT_EQ(render_diagnostics(report),
            "\n  error: m\n\n  Why: one\n        two\n        three\n\n");
  // Only a carriage return right before a line break goes.
  const CheckReport others{{{"m", "a\rb\r\nc\r"}}, {}};
  EXPECT_EQ(render_diagnostics(others), "\n  error: m\n\n  Why: a\rb\n        c\r\n\n");
}

TEST(RenderDiagnostics, AnEmptyWhyStillPrintsWhy) {
  const CheckReport report{{{"m", ""}}, {}};
  EXPECT_EQ(render_diagnostics(report), "\n  error: m\n\n  Why: \n\n");
}

TEST(RenderDiagnostics, AFinalLineBreakStartsNoFurtherLine) {
  EXPECT_EQ(render_diagnostics({{{"m", "one\n"}}, {}}), "\n  error: m\n\n  Why: one\n\n");
  EXPECT_EQ(render_diagnostics({{{"m", "one\r\n"}}, {}}), "\n  error: m\n\n  Why: one\n\n");
  EXPECT_EQ(render_diagnostics({{{"m", "\n"}}, {}}), "\n  error: m\n\n  Why: \n\n");
}

TEST(RenderDiagnostics, EmptyLinesInsideAWhyAreKept) {
  EXPECT_EQ(render_diagnostics({{{"m", "one\n\ntwo"}}, {}}),
            "\n  error: m\n\n  Why: one\n        \n        two\n\n");
}

TEST(RenderDiagnostics, TheReportOfAProgram) {
  const CheckReport report =
      check_source("agent idle uses \"m\":\n  can reason\nto tidy:\n  narrate \"n\"\n");
  EXPECT_EQ(render_diagnostics(report),
            "  warning: agent \"idle\" has no jobs\n"
            "\n"
            "  error: \"narrate\" cannot be used inside function \"tidy\"\n"
            "\n"
            "  Why: functions defined with \"to\" must be predictable.\n"
            "        Use \"job\" instead.\n"
            "\n");
}

}  // namespace
}  // namespace pellix
