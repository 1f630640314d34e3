#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ast.h"

namespace pellix {
namespace {

Expression ident(std::string name) { return Expression{expr::Identifier{std::move(name)}}; }
Expression integer(std::int64_t value) { return Expression{expr::Integer{value}}; }
Expression decimal(double value) { return Expression{expr::Decimal{value}}; }
Expression string_lit(std::string value) { return Expression{expr::StringLit{std::move(value)}}; }

Program program_of(std::vector<Declaration> declarations) {
  return Program{std::move(declarations)};
}

Program always(std::string name, Expression value) {
  return program_of({Declaration{AlwaysDecl{std::move(name), std::move(value)}}});
}

// A reason operation as the parser builds it: only `about` and `action` set.
Expression reason(Expression about, std::optional<std::string> action) {
  return Expression{ReasonExpr{{},
                               std::move(about),
                               std::move(action),
                               {},
                               {},
                               {},
                               {},
                               false,
                               false,
                               {},
                               {},
                               {},
                               {},
                               {},
                               {},
                               {}}};
}

Program flow(std::string name, Body body) {
  return program_of({Declaration{FlowDecl{std::move(name), {}, std::move(body)}}});
}

TEST(AstPrintTest, EmptyProgram) {
  EXPECT_EQ(print_program(Program{}), "Program {\n    declarations: [],\n}");
}

TEST(AstPrintTest, AppWithOnlyAName) {
  const Program program = program_of({Declaration{AppDecl{"My App", {}, {}, {}}}});
  EXPECT_EQ(print_program(program), R"txt(Program {
    declarations: [
        App(
            AppDecl {
                name: "My App",
                theme: None,
                accent: None,
                brand: None,
            },
        ),
    ],
})txt");
}

struct PrintCase {
  std::string_view name;
  Program program;
  std::string_view expected;
};

std::vector<PrintCase> print_cases() {
  std::vector<PrintCase> cases;

  cases.push_back(
      {"tuples with several values, bare variants and absent options",
       always("total", Expression{expr::LogicalAnd{
                           Expression{expr::MemberAccess{ident("items"), "count"}},
                           Expression{expr::FunctionCall{
                               "f",
                               {Expression{expr::Nothing{}},
                                Expression{expr::SummarizeExpr{ident("t"), std::nullopt}},
                                Expression{expr::TranslateExpr{string_lit("hi"), "French"}}}}}}}),
       R"txt(Program {
    declarations: [
        Always(
            AlwaysDecl {
                name: "total",
                value: LogicalAnd(
                    MemberAccess(
                        Identifier(
                            "items",
                        ),
                        "count",
                    ),
                    FunctionCall(
                        "f",
                        [
                            Nothing,
                            SummarizeExpr(
                                Identifier(
                                    "t",
                                ),
                                None,
                            ),
                            TranslateExpr(
                                StringLit(
                                    "hi",
                                ),
                                "French",
                            ),
                        ],
                    ),
                ),
            },
        ),
    ],
})txt"});

  cases.push_back({"escaped texts, integers at the limits, decimals and flags",
                   always("x", Expression{expr::List{{
                                   string_lit("say \"hi\" \\ \n\t\x01"),
                                   integer(-42),
                                   integer(std::numeric_limits<std::int64_t>::min()),
                                   decimal(50.0),
                                   decimal(1e16),
                                   decimal(0.85),
                                   Expression{expr::Bool{true}},
                               }}}),
                   R"txt(Program {
    declarations: [
        Always(
            AlwaysDecl {
                name: "x",
                value: List(
                    [
                        StringLit(
                            "say \"hi\" \\ \n\t\u{1}",
                        ),
                        Integer(
                            -42,
                        ),
                        Integer(
                            -9223372036854775808,
                        ),
                        Decimal(
                            50.0,
                        ),
                        Decimal(
                            1e16,
                        ),
                        Decimal(
                            0.85,
                        ),
                        Bool(
                            true,
                        ),
                    ],
                ),
            },
        ),
    ],
})txt"});

  cases.push_back({"a tuple-like variant holding a record",
                   always("r",
                          [] {
                            Expression value = reason(ident("topic"), "be brief");
                            std::get<Box<ReasonExpr>>(value.node)->confidence_required = 0.9;
                            return value;
                          }()),
                   R"txt(Program {
    declarations: [
        Always(
            AlwaysDecl {
                name: "r",
                value: ReasonExpr(
                    ReasonExpr {
                        target: None,
                        about: Identifier(
                            "topic",
                        ),
                        action: Some(
                            "be brief",
                        ),
                        given: [],
                        determine: [],
                        confidence_required: Some(
                            0.9,
                        ),
                        ground_in: None,
                        explain: false,
                        express_doubt: false,
                        stance: None,
                        explain_like: None,
                        budget: None,
                        keep_for: None,
                        on_unsure: [],
                        on_confused: [],
                        on_too_expensive: [],
                    },
                ),
            },
        ),
    ],
})txt"});

  cases.push_back(
      {"record-like variants, empty lists and pairs",
       flow("f",
            {
                Statement{stmt::If{
                    Expression{expr::Comparison{ident("n"), ComparisonOperator::Above, integer(3)}},
                    {Statement{stmt::Stop{}}},
                    {{Expression{expr::Bool{false}}, {Statement{stmt::Undo{}}}}},
                    {}}},
                Statement{stmt::Try{
                    {}, {}, std::pair{integer(5), Body{Statement{stmt::Return{ident("n")}}}}}},
                Statement{stmt::Create{CreateExpr{
                    "Order",
                    {{"total", Expression{expr::BinaryOp{decimal(9.5), BinaryOperator::Multiply,
                                                         integer(2)}}}}}}},
            }),
       R"txt(Program {
    declarations: [
        Flow(
            FlowDecl {
                name: "f",
                params: [],
                body: [
                    If {
                        condition: Comparison {
                            left: Identifier(
                                "n",
                            ),
                            op: Above,
                            right: Integer(
                                3,
                            ),
                        },
                        then_body: [
                            Stop,
                        ],
                        else_ifs: [
                            (
                                Bool(
                                    false,
                                ),
                                [
                                    Undo,
                                ],
                            ),
                        ],
                        else_body: [],
                    },
                    Try {
                        body: [],
                        on_fail: [],
                        on_timeout: Some(
                            (
                                Integer(
                                    5,
                                ),
                                [
                                    Return(
                                        Identifier(
                                            "n",
                                        ),
                                    ),
                                ],
                            ),
                        ),
                    },
                    Create(
                        CreateExpr {
                            record_type: "Order",
                            fields: [
                                (
                                    "total",
                                    BinaryOp {
                                        left: Decimal(
                                            9.5,
                                        ),
                                        op: Multiply,
                                        right: Integer(
                                            2,
                                        ),
                                    },
                                ),
                            ],
                        },
                    ),
                ],
            },
        ),
    ],
})txt"});

  cases.push_back(
      {"the three kinds of check condition",
       flow("f", {Statement{stmt::Check{CheckExpr{
                     ident("reply"),
                     {CheckCondition{check::HasField{"email"}},
                      CheckCondition{check::ConfidenceAbove{0.9}},
                      CheckCondition{check::Custom{Expression{expr::UnaryNot{ident("spam")}}}}},
                     {},
                     {"source"}}}}}),
       R"txt(Program {
    declarations: [
        Flow(
            FlowDecl {
                name: "f",
                params: [],
                body: [
                    Check(
                        CheckExpr {
                            target: Identifier(
                                "reply",
                            ),
                            conditions: [
                                HasField(
                                    "email",
                                ),
                                ConfidenceAbove(
                                    0.9,
                                ),
                                Custom(
                                    UnaryNot(
                                        Identifier(
                                            "spam",
                                        ),
                                    ),
                                ),
                            ],
                            otherwise: [],
                            prove_with: [
                                "source",
                            ],
                        },
                    ),
                ],
            },
        ),
    ],
})txt"});

  PageDecl detail{"Detail", Param{"order", FieldType::custom("Order")}, {}};
  detail.body.push_back(PageItem{page::Form{FormDecl{
      std::nullopt,
      {InputDecl{"qty", FieldType::plain(FieldTypeKind::Int), "How many", true, integer(1)}},
      SubmitDecl{"Go", "place"},
      std::nullopt,
      std::nullopt}}});
  detail.body.push_back(PageItem{page::Beside{{
      PageItem{page::Button{ButtonDecl{"Save", ButtonAction{action::Calls{"save"}}, "primary"}}},
      PageItem{page::Button{ButtonDecl{"Back", ButtonAction{action::Opens{"home"}}, {}}}},
  }}});
  detail.body.push_back(
      PageItem{page::Show{ShowDecl{ident("order"), "card", {ShowOption{"Total"}}, {}, {}, {}}}});
  cases.push_back({"nested optional values and page records",
                   program_of({Declaration{std::move(detail)},
                               Declaration{UseDecl{"lib.plx", std::vector<std::string>{}}}}),
                   R"txt(Program {
    declarations: [
        Page(
            PageDecl {
                name: "Detail",
                param: Some(
                    Param {
                        name: "order",
                        param_type: Some(
                            Custom(
                                "Order",
                            ),
                        ),
                    },
                ),
                body: [
                    Form(
                        FormDecl {
                            name: None,
                            inputs: [
                                InputDecl {
                                    name: "qty",
                                    input_type: Int,
                                    label: Some(
                                        "How many",
                                    ),
                                    required: true,
                                    default: Some(
                                        Integer(
                                            1,
                                        ),
                                    ),
                                },
                            ],
                            submit: Some(
                                SubmitDecl {
                                    label: "Go",
                                    calls: "place",
                                },
                            ),
                            on_submit_go: None,
                            size: None,
                        },
                    ),
                    Beside(
                        [
                            Button(
                                ButtonDecl {
                                    label: "Save",
                                    action: Calls(
                                        "save",
                                    ),
                                    modifier: Some(
                                        "primary",
                                    ),
                                },
                            ),
                            Button(
                                ButtonDecl {
                                    label: "Back",
                                    action: Opens(
                                        "home",
                                    ),
                                    modifier: None,
                                },
                            ),
                        ],
                    ),
                    Show(
                        ShowDecl {
                            expression: Identifier(
                                "order",
                            ),
                            display_type: "card",
                            options: [
                                Label(
                                    "Total",
                                ),
                            ],
                            modifier: None,
                            size: None,
                            color: None,
                        },
                    ),
                ],
            },
        ),
        Use(
            UseDecl {
                path: "lib.plx",
                items: Some(
                    [],
                ),
            },
        ),
    ],
})txt"});

  RecordDecl order{"Order", {}, true};
  order.fields.push_back(FieldDecl{"lines",
                                   FieldType::list_of(FieldType::custom("Line")),
                                   false,
                                   decimal(0.5),
                                   {"must Identifier(\"be\") Identifier(\"short\")"}});
  order.fields.push_back(
      FieldDecl{"tags",
                FieldType::list_of(FieldType::list_of(FieldType::plain(FieldTypeKind::Text))),
                true,
                std::nullopt,
                {}});
  cases.push_back({"list and custom field types", program_of({Declaration{std::move(order)}}),
                   R"txt(Program {
    declarations: [
        Record(
            RecordDecl {
                name: "Order",
                fields: [
                    FieldDecl {
                        name: "lines",
                        field_type: List(
                            Custom(
                                "Line",
                            ),
                        ),
                        required: false,
                        default: Some(
                            Decimal(
                                0.5,
                            ),
                        ),
                        constraints: [
                            "must Identifier(\"be\") Identifier(\"short\")",
                        ],
                    },
                    FieldDecl {
                        name: "tags",
                        field_type: List(
                            List(
                                Text,
                            ),
                        ),
                        required: true,
                        default: None,
                        constraints: [],
                    },
                ],
                track_changes: true,
            },
        ),
    ],
})txt"});

  return cases;
}

TEST(AstPrintTest, PrintsEachFormAtItsIndentation) {
  for (const PrintCase& c : print_cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(print_program(c.program), c.expected);
  }
}

// One node of every alternative, built by type in variant order.
std::vector<Expression> one_of_each_expression() {
  const Expression x = ident("x");
  return {
      integer(1),
      decimal(1.5),
      string_lit("s"),
      Expression{expr::Bool{true}},
      Expression{expr::Nothing{}},
      x,
      Expression{expr::List{{x}}},
      Expression{expr::Map{{{"k", x}}}},
      Expression{expr::MemberAccess{x, "m"}},
      Expression{expr::FunctionCall{"f", {x}}},
      Expression{expr::BinaryOp{x, BinaryOperator::Add, x}},
      Expression{expr::UnaryNot{x}},
      Expression{expr::Comparison{x, ComparisonOperator::Is, x}},
      Expression{expr::LogicalAnd{x, x}},
      Expression{expr::LogicalOr{x, x}},
      Expression{expr::Pipe{x, x}},
      Expression{expr::SumOf{x}},
      reason(x, std::nullopt),
      Expression{expr::SenseExpr{x}},
      Expression{expr::TranslateExpr{x, "fr"}},
      Expression{expr::SummarizeExpr{x, std::nullopt}},
      Expression{expr::DebateExpr{"t", 2}},
      Expression{expr::BlendExpr{{x}}},
      Expression{expr::ImagineExpr{"s", {x}}},
      Expression{expr::RethinkExpr{x, {"c"}}},
      Expression{expr::CompareExpr{x, x, {"c"}}},
  };
}

std::vector<Statement> one_of_each_statement() {
  const Expression x = ident("x");
  const Body body = {Statement{stmt::Stop{}}};
  return {
      Statement{stmt::Assignment{"a", x}},
      Statement{stmt::Change{"a", "f", x}},
      Statement{stmt::If{x, body, {}, {}}},
      Statement{stmt::Match{x, {MatchArm{x, body}}}},
      Statement{stmt::ConfidenceMatch{x, {ConfidenceArm{"certain", body}}}},
      Statement{stmt::ForEach{"i", x, x, body}},
      Statement{stmt::Repeat{x, std::nullopt, std::nullopt, body}},
      Statement{stmt::Return{x}},
      Statement{stmt::Need{x, "missing"}},
      Statement{stmt::Try{body, body, std::nullopt}},
      Statement{stmt::Assume{x, body}},
      Statement{stmt::Pretend{body}},
      Statement{stmt::Together{body}},
      Statement{stmt::Stop{}},
      Statement{stmt::Check{CheckExpr{x, {}, {}, {}}}},
      Statement{stmt::Remember{x, std::nullopt, std::nullopt}},
      Statement{stmt::Recall{"notes", std::nullopt, x}},
      Statement{stmt::Forget{"notes", std::nullopt}},
      Statement{stmt::Teach{"lesson"}},
      Statement{stmt::Narrate{x}},
      Statement{stmt::Log{x, "info"}},
      Statement{stmt::Flag{x, "late", std::nullopt}},
      Statement{stmt::Notify{"team", x, std::nullopt}},
      Statement{stmt::Send{SendExpr{"email", x, x, x}}},
      Statement{stmt::CallApi{CallApiExpr{"weather", {{"city", x}}, "1 hour", std::nullopt}}},
      Statement{stmt::Run{"agent", "job", {x}}},
      Statement{stmt::Create{CreateExpr{"Order", {}}}},
      Statement{stmt::Update{UpdateExpr{"order", {{"total", x}}}}},
      Statement{stmt::Delete{DeleteExpr{"Order", x}}},
      Statement{stmt::Add{x, "list"}},
      Statement{stmt::Remove{x, "list"}},
      Statement{stmt::Undo{}},
      Statement{stmt::ExprStatement{x}},
  };
}

std::vector<PageItem> one_of_each_page_item() {
  const Expression x = ident("x");
  const std::vector<PageItem> body = {PageItem{page::Divider{}}};
  return {
      PageItem{page::Title{"Orders"}},
      PageItem{page::Text{x}},
      PageItem{page::Show{ShowDecl{x, "table", {}, {}, {}, {}}}},
      PageItem{page::Form{FormDecl{}}},
      PageItem{page::Button{ButtonDecl{"Go", ButtonAction{action::Calls{"go"}}, {}}}},
      PageItem{page::Beside{body}},
      PageItem{page::Panels{{PanelDecl{"One", {}, body}}}},
      PageItem{page::Card{CardDecl{x, {}, body, {}, {}}}},
      PageItem{page::Divider{}},
      PageItem{page::Spacer{}},
      PageItem{page::Conditional{x, body, {}}},
  };
}

std::vector<Declaration> one_of_each_declaration() {
  const Expression x = ident("x");
  AgentDecl agent{};
  agent.name = "helper";
  agent.cost_limit = CostLimit{50.0, "day"};
  agent.rate_limit = RateLimit{10, "minute"};
  agent.rules = {RuleDecl{RuleKind::Never, "lie"}};
  agent.refuse_rules = {RefuseDecl{"rude", "no"}};
  agent.pass_to = PassToDecl{"boss", {x}};
  agent.prioritize = {PrioritizeRule{"first", x}};
  agent.jobs = {JobDecl{"j", {}, {}}};
  return {
      Declaration{AppDecl{"A", "dark", {}, BrandDecl{}}},
      Declaration{RecordDecl{"R", {}, false}},
      Declaration{std::move(agent)},
      Declaration{TeamDecl{"T", {"helper"}}},
      Declaration{FunctionDecl{"fn", {Param{"p", std::nullopt}}, {}}},
      Declaration{JobDecl{"j", {}, {}}},
      Declaration{FlowDecl{"f", {}, {}}},
      Declaration{PageDecl{"P", std::nullopt, {}}},
      Declaration{UseDecl{"lib.plx", std::nullopt}},
      Declaration{AlwaysDecl{"limit", x}},
      Declaration{ChoicesDecl{"Size", {"S", "M"}}},
  };
}

// The first line of every value that starts at `indent` spaces, one per line: the name and
// how the value opens (" {" for a record, "(" for a tuple, "," after a bare name).
std::string heads_at(std::string_view printed, std::size_t indent) {
  std::string heads;
  std::size_t start = 0;
  while (start < printed.size()) {
    std::size_t end = printed.find('\n', start);
    if (end == std::string_view::npos) end = printed.size();
    const std::string_view line = printed.substr(start, end - start);
    start = end + 1;
    if (line.size() <= indent || line.find_first_not_of(' ') != indent) continue;
    if (line[indent] == '}' || line[indent] == ')' || line[indent] == ']') continue;
    heads.append(line.substr(indent)).push_back('\n');
  }
  return heads;
}

// The names within `heads`, space-separated.
std::string names_in(std::string_view heads) {
  std::string names;
  for (const char c : heads) {
    if (c == '\n') {
      names += ' ';
    } else if (c != ' ' && c != '{' && c != '(' && c != ',') {
      names += c;
    }
  }
  if (!names.empty()) names.pop_back();
  return names;
}

template <typename Node, typename NameOf>
std::string names_of(const std::vector<Node>& nodes, NameOf name_of) {
  std::string names;
  for (const Node& node : nodes) {
    if (!names.empty()) names += ' ';
    names += name_of(node);
  }
  return names;
}

TEST(AstPrintTest, EveryExpressionPrintsWithItsNameAndShape) {
  const std::vector<Expression> expressions = one_of_each_expression();
  constexpr std::string_view kHeads =
      "Integer(\nDecimal(\nStringLit(\nBool(\nNothing,\nIdentifier(\nList(\nMap(\n"
      "MemberAccess(\nFunctionCall(\nBinaryOp {\nUnaryNot(\nComparison {\nLogicalAnd(\n"
      "LogicalOr(\nPipe(\nSumOf(\nReasonExpr(\nSenseExpr(\nTranslateExpr(\nSummarizeExpr(\n"
      "DebateExpr {\nBlendExpr(\nImagineExpr {\nRethinkExpr {\nCompareExpr {\n";
  // Program / declarations / Always / AlwaysDecl / value: List / [ / items.
  EXPECT_EQ(heads_at(print_program(always("all", Expression{expr::List{expressions}})), 24),
            kHeads);
  EXPECT_EQ(names_of(expressions, expression_name), names_in(kHeads));
}

TEST(AstPrintTest, EveryStatementPrintsWithItsNameAndShape) {
  const std::vector<Statement> statements = one_of_each_statement();
  constexpr std::string_view kHeads =
      "Assignment {\nChange {\nIf {\nMatch {\nConfidenceMatch {\nForEach {\nRepeat {\nReturn(\n"
      "Need {\nTry {\nAssume {\nPretend {\nTogether {\nStop,\nCheck(\nRemember {\nRecall {\n"
      "Forget {\nTeach(\nNarrate(\nLog {\nFlag {\nNotify {\nSend(\nCallApi(\nRun {\nCreate(\n"
      "Update(\nDelete(\nAdd {\nRemove {\nUndo,\nExprStatement(\n";
  // Program / declarations / Flow / FlowDecl / body / statements.
  EXPECT_EQ(heads_at(print_program(flow("all", statements)), 20), kHeads);
  EXPECT_EQ(names_of(statements, statement_name), names_in(kHeads));
}

TEST(AstPrintTest, EveryPageItemPrintsWithItsNameAndShape) {
  const std::vector<PageItem> items = one_of_each_page_item();
  constexpr std::string_view kHeads =
      "Title(\nText(\nShow(\nForm(\nButton(\nBeside(\nPanels(\nCard(\nDivider,\nSpacer,\n"
      "Conditional {\n";
  const Program program = program_of({Declaration{PageDecl{"all", std::nullopt, items}}});
  EXPECT_EQ(heads_at(print_program(program), 20), kHeads);
  EXPECT_EQ(names_of(items, page_item_name), names_in(kHeads));
}

TEST(AstPrintTest, EveryDeclarationPrintsAsATupleAroundItsRecord) {
  const std::vector<Declaration> declarations = one_of_each_declaration();
  constexpr std::string_view kVariants =
      "App(\nRecord(\nAgent(\nTeam(\nFunction(\nJob(\nFlow(\nPage(\nUse(\nAlways(\nChoices(\n";
  constexpr std::string_view kRecords =
      "AppDecl {\nRecordDecl {\nAgentDecl {\nTeamDecl {\nFunctionDecl {\nJobDecl {\nFlowDecl {\n"
      "PageDecl {\nUseDecl {\nAlwaysDecl {\nChoicesDecl {\n";
  const std::string printed = print_program(program_of(declarations));
  EXPECT_EQ(heads_at(printed, 8), kVariants);
  EXPECT_EQ(heads_at(printed, 12), kRecords);
  EXPECT_EQ(names_of(declarations, declaration_name), names_in(kVariants));
}

TEST(AstNamesTest, EnumerationNamesFollowTheirOrder) {
  std::vector<FieldTypeKind> kinds;
  for (int kind = 0; kind <= static_cast<int>(FieldTypeKind::Custom); ++kind) {
    kinds.push_back(static_cast<FieldTypeKind>(kind));
  }
  EXPECT_EQ(names_of(kinds, field_type_name),
            "Text LongText SecretText Int WholeNumber Number Currency Percentage Date DateTime "
            "TimeSpan Bool YesOrNo Email Phone Link File Files Image Pdf Csv Address Color "
            "Signature List Custom");

  std::vector<ComparisonOperator> comparisons;
  for (int op = 0; op <= static_cast<int>(ComparisonOperator::IsWeekend); ++op) {
    comparisons.push_back(static_cast<ComparisonOperator>(op));
  }
  EXPECT_EQ(names_of(comparisons, comparison_operator_name),
            "Is IsNot Above Below Contains Exists IsEmpty IsNothing StartsWith EndsWith IsPast "
            "IsFuture IsWeekend");

  EXPECT_EQ(names_of(std::vector{BinaryOperator::Add, BinaryOperator::Subtract,
                                 BinaryOperator::Multiply, BinaryOperator::Divide},
                     binary_operator_name),
            "Add Subtract Multiply Divide");
  EXPECT_EQ(names_of(std::vector{RuleKind::Never, RuleKind::Always}, rule_kind_name),
            "Never Always");
}

}  // namespace
}  // namespace pellix
