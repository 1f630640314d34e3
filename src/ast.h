// The syntax tree: the parser's output and the one program representation every later stage
// reads. Plain value records: each node owns its children, nothing points back up, nothing is
// shared, and no positions are kept. Each sum type wraps a std::variant whose alternatives
// stand in the order of their printed names, so `index()` numbers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "box.h"

namespace pellix {

struct Expression;
struct Statement;
struct PageItem;

using Body = std::vector<Statement>;

// ---------------------------------------------------------------------------------------------
// Small enumerations

enum class BinaryOperator { Add, Subtract, Multiply, Divide };

enum class ComparisonOperator {
  Is,
  IsNot,
  Above,
  Below,
  Contains,
  Exists,
  IsEmpty,
  IsNothing,
  StartsWith,
  EndsWith,
  IsPast,
  IsFuture,
  IsWeekend,
};

enum class RuleKind { Never, Always };

// The type words of record fields, parameters and form inputs. List and Custom carry data.
enum class FieldTypeKind {
  Text,
  LongText,
  SecretText,
  Int,
  WholeNumber,
  Number,
  Currency,
  Percentage,
  Date,
  DateTime,
  TimeSpan,
  Bool,
  YesOrNo,
  Email,
  Phone,
  Link,
  File,
  Files,
  Image,
  Pdf,
  Csv,
  Address,
  Color,
  Signature,
  List,
  Custom,
};

struct FieldType {
  FieldTypeKind kind = FieldTypeKind::Text;
  std::optional<Box<FieldType>> element;  // List: the type of the items
  std::string name;                       // Custom: the type word as written

  static FieldType plain(FieldTypeKind kind) { return FieldType{kind, std::nullopt, {}}; }
  static FieldType list_of(FieldType element) {
    return FieldType{FieldTypeKind::List, Box<FieldType>(std::move(element)), {}};
  }
  static FieldType custom(std::string name) {
    return FieldType{FieldTypeKind::Custom, std::nullopt, std::move(name)};
  }
};

// ---------------------------------------------------------------------------------------------
// Records held by expressions

// The full form of a reason operation; the parser fills `about` and `action` only.
struct ReasonExpr {
  std::optional<std::string> target;
  Box<Expression> about;
  std::optional<std::string> action;
  std::vector<Expression> given;
  std::vector<std::string> determine;
  std::optional<double> confidence_required;
  std::optional<std::string> ground_in;
  bool explain = false;
  bool express_doubt = false;
  std::optional<std::string> stance;
  std::optional<std::string> explain_like;
  std::optional<double> budget;
  std::optional<std::string> keep_for;
  Body on_unsure;
  Body on_confused;
  Body on_too_expensive;
};

// ---------------------------------------------------------------------------------------------
// Expressions

// What the interpreter makes of a node before running it (defined by the runtime).
class CompiledNode;

// Where the interpreter keeps what it made of an expression or statement, so that running the
// node again finds it without a lookup. It belongs to one interpreter (`owner`, never 0 for a
// filled cache) and is left behind when the tree is copied, so a copy never points into
// structures made for another tree.
struct InterpreterCache {
  mutable const CompiledNode* node = nullptr;
  mutable std::uint64_t owner = 0;

  InterpreterCache() = default;
  InterpreterCache(const InterpreterCache&) noexcept {}
  InterpreterCache& operator=(const InterpreterCache&) noexcept { return *this; }
};

namespace expr {

struct Integer {
  std::int64_t value;
};
struct Decimal {
  double value;
};
struct StringLit {
  std::string value;  // braces kept: interpolation happens at run time
};
struct Bool {
  bool value;
};
struct Nothing {};
struct Identifier {
  std::string name;
};
struct List {
  std::vector<Expression> items;
};
struct Map {
  std::vector<std::pair<std::string, Expression>> entries;  // in source order
};
struct MemberAccess {
  Box<Expression> object;
  std::string member;
};
struct FunctionCall {
  std::string callee;
  std::vector<Expression> args;
};
struct BinaryOp {
  Box<Expression> left;
  BinaryOperator op;
  Box<Expression> right;
};
struct UnaryNot {
  Box<Expression> operand;
};
struct Comparison {
  Box<Expression> left;
  ComparisonOperator op;
  Box<Expression> right;
};
struct LogicalAnd {
  Box<Expression> left;
  Box<Expression> right;
};
struct LogicalOr {
  Box<Expression> left;
  Box<Expression> right;
};
struct Pipe {
  Box<Expression> left;
  Box<Expression> right;
};
struct SumOf {
  Box<Expression> collection;
};
// The ReasonExpr variant holds the ReasonExpr record above, boxed: it is many times larger
// than any other expression, and expressions are held by value everywhere.
struct SenseExpr {
  Box<Expression> subject;
};
struct TranslateExpr {
  Box<Expression> subject;
  std::string language;
};
struct SummarizeExpr {
  Box<Expression> subject;
  std::optional<std::string> style;
};
struct DebateExpr {
  std::string topic;
  std::int64_t rounds;
};
struct BlendExpr {
  std::vector<Expression> sources;
};
struct ImagineExpr {
  std::string scenario;
  std::vector<Expression> context;
};
struct RethinkExpr {
  Box<Expression> original;
  std::vector<std::string> challenges;
};
struct CompareExpr {
  Box<Expression> left;
  Box<Expression> right;
  std::vector<std::string> criteria;
};

}  // namespace expr

struct Expression {
  using Variant =
      std::variant<expr::Integer, expr::Decimal, expr::StringLit, expr::Bool, expr::Nothing,
                   expr::Identifier, expr::List, expr::Map, expr::MemberAccess, expr::FunctionCall,
                   expr::BinaryOp, expr::UnaryNot, expr::Comparison, expr::LogicalAnd,
                   expr::LogicalOr, expr::Pipe, expr::SumOf, Box<ReasonExpr>, expr::SenseExpr,
                   expr::TranslateExpr, expr::SummarizeExpr, expr::DebateExpr, expr::BlendExpr,
                   expr::ImagineExpr, expr::RethinkExpr, expr::CompareExpr>;
  Variant node;
  InterpreterCache compiled{};
};

inline constexpr std::size_t kExpressionVariantCount = 26;
static_assert(std::variant_size_v<Expression::Variant> == kExpressionVariantCount);

// ---------------------------------------------------------------------------------------------
// Records held by statements

namespace check {
struct HasField {
  std::string field;
};
struct ConfidenceAbove {
  double threshold;
};
struct Custom {
  Expression condition;
};
}  // namespace check

struct CheckCondition {
  std::variant<check::HasField, check::ConfidenceAbove, check::Custom> node;
};

struct CheckExpr {
  Expression target;
  std::vector<CheckCondition> conditions;
  Body otherwise;
  std::vector<std::string> prove_with;
};

struct SendExpr {
  std::string channel;
  Expression to;
  std::optional<Expression> subject;
  Expression body;
};

using FieldValues = std::vector<std::pair<std::string, Expression>>;

struct CallApiExpr {
  std::string service;
  FieldValues fields;
  std::optional<std::string> expires_after;
  std::optional<std::string> keep_result_for;
};

struct CreateExpr {
  std::string record_type;
  FieldValues fields;
};

struct UpdateExpr {
  std::string target;
  FieldValues changes;
};

struct DeleteExpr {
  std::string record_type;
  Expression condition;
};

struct MatchArm {
  Expression pattern;
  Body body;
};

struct ConfidenceArm {
  std::string level;
  Body body;
};

// ---------------------------------------------------------------------------------------------
// Statements

namespace stmt {

struct Assignment {
  std::string name;
  Expression value;
};
struct Change {
  std::string target;
  std::optional<std::string> field;
  Expression value;
};
struct If {
  Expression condition;
  Body then_body;
  std::vector<std::pair<Expression, Body>> else_ifs;
  Body else_body;
};
struct Match {
  Expression expression;
  std::vector<MatchArm> arms;
};
struct ConfidenceMatch {
  Expression expression;
  std::vector<ConfidenceArm> arms;
};
struct ForEach {
  std::string item;
  Expression collection;
  std::optional<Expression> filter;
  Body body;
};
struct Repeat {
  std::optional<Expression> count;
  std::optional<Expression> until;
  std::optional<Expression> max;
  Body body;
};
struct Return {
  Expression value;
};
struct Need {
  Expression condition;
  std::optional<std::string> otherwise;
};
struct Try {
  Body body;
  Body on_fail;
  std::optional<std::pair<Expression, Body>> on_timeout;
};
struct Assume {
  Expression condition;
  Body but_if_wrong;
};
struct Pretend {
  Body body;
};
struct Together {
  Body body;
};
struct Stop {};
struct Check {
  CheckExpr check;
};
struct Remember {
  Expression what;
  std::optional<std::string> about;
  std::optional<std::string> as_name;
};
struct Recall {
  std::string what;
  std::optional<std::string> about;
  std::optional<Expression> from_last;
};
struct Forget {
  std::string what;
  std::optional<std::string> about;
};
struct Teach {
  std::string lesson;
};
struct Narrate {
  Expression message;
};
struct Log {
  Expression message;
  std::optional<std::string> level;
};
struct Flag {
  Expression target;
  std::string label;
  std::optional<std::string> modifier;
};
struct Notify {
  std::string target;
  Expression message;
  std::optional<std::string> modifier;
};
struct Send {
  SendExpr send;
};
struct CallApi {
  CallApiExpr call;
};
struct Run {
  std::string agent;
  std::string job;
  std::vector<Expression> args;
};
struct Create {
  CreateExpr create;
};
struct Update {
  UpdateExpr update;
};
struct Delete {
  DeleteExpr deletion;
};
struct Add {
  Expression item;
  std::string to;
};
struct Remove {
  Expression item;
  std::string from;
};
struct Undo {};
struct ExprStatement {
  Expression expression;
};

}  // namespace stmt

struct Statement {
  using Variant =
      std::variant<stmt::Assignment, stmt::Change, stmt::If, stmt::Match, stmt::ConfidenceMatch,
                   stmt::ForEach, stmt::Repeat, stmt::Return, stmt::Need, stmt::Try, stmt::Assume,
                   stmt::Pretend, stmt::Together, stmt::Stop, stmt::Check, stmt::Remember,
                   stmt::Recall, stmt::Forget, stmt::Teach, stmt::Narrate, stmt::Log, stmt::Flag,
                   stmt::Notify, stmt::Send, stmt::CallApi, stmt::Run, stmt::Create, stmt::Update,
                   stmt::Delete, stmt::Add, stmt::Remove, stmt::Undo, stmt::ExprStatement>;
  Variant node;
  InterpreterCache compiled{};
};

inline constexpr std::size_t kStatementVariantCount = 33;
static_assert(std::variant_size_v<Statement::Variant> == kStatementVariantCount);

// ---------------------------------------------------------------------------------------------
// Pages

struct ShowOption {  // the one variant, Label(text)
  std::string label;
};

struct ShowDecl {
  Expression expression;
  std::string display_type;
  std::vector<ShowOption> options;
  std::optional<std::string> modifier;
  std::optional<std::string> size;
  std::optional<std::string> color;
};

struct InputDecl {
  std::string name;
  FieldType input_type;
  std::optional<std::string> label;
  bool required = false;
  std::optional<Expression> default_value;  // printed as "default"
};

struct SubmitDecl {
  std::string label;
  std::string calls;
};

struct FormDecl {
  std::optional<std::string> name;
  std::vector<InputDecl> inputs;
  std::optional<SubmitDecl> submit;
  std::optional<std::string> on_submit_go;
  std::optional<std::string> size;
};

namespace action {
struct Calls {
  std::string flow;
};
struct Opens {
  std::string page;
};
}  // namespace action

struct ButtonAction {
  std::variant<action::Calls, action::Opens> node;
};

struct ButtonDecl {
  std::string label;
  ButtonAction action;
  std::optional<std::string> modifier;
};

struct PanelDecl {
  std::optional<std::string> title;
  std::optional<std::string> size;
  std::vector<PageItem> body;
};

struct CardDecl {
  std::optional<Expression> title;
  std::optional<Expression> subtitle;
  std::vector<PageItem> body;
  std::optional<std::string> modifier;
  std::optional<std::string> color;
};

namespace page {
struct Title {
  std::string text;
};
struct Text {
  Expression content;
};
struct Show {
  ShowDecl show;
};
struct Form {
  FormDecl form;
};
struct Button {
  ButtonDecl button;
};
struct Beside {
  std::vector<PageItem> items;
};
struct Panels {
  std::vector<PanelDecl> panels;
};
struct Card {
  CardDecl card;
};
struct Divider {};
struct Spacer {};
struct Conditional {
  Expression condition;
  std::vector<PageItem> then_body;
  std::vector<PageItem> else_body;
};
}  // namespace page

struct PageItem {
  using Variant =
      std::variant<page::Title, page::Text, page::Show, page::Form, page::Button, page::Beside,
                   page::Panels, page::Card, page::Divider, page::Spacer, page::Conditional>;
  Variant node;
};

inline constexpr std::size_t kPageItemVariantCount = 11;
static_assert(std::variant_size_v<PageItem::Variant> == kPageItemVariantCount);

// ---------------------------------------------------------------------------------------------
// Declarations

struct BrandDecl {
  std::optional<std::string> logo;
  std::optional<std::string> font;
  std::optional<std::string> primary_color;
  std::optional<std::string> secondary_color;
  std::optional<std::string> background;
  std::optional<std::string> text_color;
  std::optional<std::string> radius;
  std::optional<std::string> style;
};

struct AppDecl {
  std::string name;
  std::optional<std::string> theme;
  std::optional<std::string> accent;
  std::optional<BrandDecl> brand;
};

struct FieldDecl {
  std::string name;
  FieldType field_type;
  bool required = false;
  std::optional<Expression> default_value;  // printed as "default"
  std::vector<std::string> constraints;
};

struct RecordDecl {
  std::string name;
  std::vector<FieldDecl> fields;
  bool track_changes = false;
};

struct Param {
  std::string name;
  std::optional<FieldType> param_type;
};

struct FunctionDecl {
  std::string name;
  std::vector<Param> params;
  Body body;
};

struct JobDecl {
  std::string name;
  std::vector<Param> params;
  Body body;
};

struct FlowDecl {
  std::string name;
  std::vector<Param> params;
  Body body;
};

struct CostLimit {
  double amount;
  std::string per;
};

struct RateLimit {
  std::int64_t count;
  std::string per;
};

struct RuleDecl {
  RuleKind kind;
  std::string text;
};

struct RefuseDecl {
  std::string condition;
  std::string response;
};

struct PassToDecl {
  std::string target;
  std::vector<Expression> conditions;
};

struct PrioritizeRule {
  std::string order;
  Expression condition;
};

struct AgentDecl {
  std::string name;
  std::optional<std::string> model;
  std::vector<std::string> capabilities;
  bool remembers = false;
  std::optional<CostLimit> cost_limit;
  std::optional<RateLimit> rate_limit;
  bool narrate = false;
  std::vector<RuleDecl> rules;
  std::vector<RefuseDecl> refuse_rules;
  std::optional<PassToDecl> pass_to;
  std::vector<PrioritizeRule> prioritize;
  bool reflect_after_jobs = false;
  std::vector<JobDecl> jobs;
};

struct TeamDecl {
  std::string name;
  std::vector<std::string> agents;
};

struct PageDecl {
  std::string name;
  std::optional<Param> param;
  std::vector<PageItem> body;
};

struct UseDecl {
  std::string path;
  std::optional<std::vector<std::string>> items;
};

struct AlwaysDecl {
  std::string name;
  Expression value;
};

struct ChoicesDecl {
  std::string name;
  std::vector<std::string> options;
};

struct Declaration {
  using Variant = std::variant<AppDecl, RecordDecl, AgentDecl, TeamDecl, FunctionDecl, JobDecl,
                               FlowDecl, PageDecl, UseDecl, AlwaysDecl, ChoicesDecl>;
  Variant node;
};

inline constexpr std::size_t kDeclarationVariantCount = 11;
static_assert(std::variant_size_v<Declaration::Variant> == kDeclarationVariantCount);

struct Program {
  std::vector<Declaration> declarations;
};

// ---------------------------------------------------------------------------------------------
// Names for output, indexed by variant index or enumerator

std::string_view declaration_name(const Declaration& declaration);  // "App", "Record", ...
std::string_view statement_name(const Statement& statement);        // "Assignment", ...
std::string_view expression_name(const Expression& expression);     // "Integer", ...
std::string_view page_item_name(const PageItem& item);              // "Title", ...
std::string_view field_type_name(FieldTypeKind kind);               // "Text", "LongText", ...
std::string_view binary_operator_name(BinaryOperator op);           // "Add", ...
std::string_view comparison_operator_name(ComparisonOperator op);   // "Is", "IsNot", ...
std::string_view rule_kind_name(RuleKind kind);                     // "Never", "Always"

// The printed form of the `parse` command: records, tuples, lists, optionals and pairs, four
// spaces a level, each nested value's lines shifted to where it starts. No final line feed.
std::string print_program(const Program& program);
// The same text, written to `out` in blocks as it is produced.
void write_program(std::ostream& out, const Program& program);

}  // namespace pellix
