// The checker's two passes over the declarations and the purity walk of function bodies. Each
// pass is a visitor with one overload per variant alternative, so a new kind of declaration,
// statement, expression or page item fails to compile here until the checker decides what it
// means for it.
#include "checker.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

namespace pellix {
namespace {

// ---------------------------------------------------------------------------------------------
// Every text the checker reports, in the order of its rules. Names are inserted as written,
// without escaping.

std::string join(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (std::string_view piece : pieces) text += piece;
  return text;
}

// Records.
std::string empty_record_message(std::string_view record) {
  return join({"record \"", record, "\" has no fields"});
}
constexpr std::string_view kEmptyRecordWhy = "every record needs at least one field";

std::string duplicate_field_message(std::string_view field, std::string_view record) {
  return join({"duplicate field \"", field, "\" in record \"", record, "\""});
}
constexpr std::string_view kDuplicateFieldWhy = "each field name must be unique within a record";

// Agents.
std::string no_model_message(std::string_view agent) {
  return join({"agent \"", agent, "\" has no model specified"});
}
std::string no_model_why(std::string_view agent) {
  return join({"add: agent ", agent, " uses \"claude-sonnet-4-6\""});
}

std::string no_capabilities_message(std::string_view agent) {
  return join({"agent \"", agent, "\" has no capabilities"});
}
constexpr std::string_view kNoCapabilitiesWhy = "add: can reason, communicate";

std::string no_jobs_message(std::string_view agent) {
  return join({"agent \"", agent, "\" has no jobs"});
}
constexpr std::string_view kNoJobsWhy = "an agent without jobs can't do anything";

// Teams.
std::string small_team_message(std::string_view team) {
  return join({"team \"", team, "\" has less than 2 agents"});
}
constexpr std::string_view kSmallTeamWhy = "a team should have at least 2 agents to coordinate";

std::string unknown_member_message(std::string_view team, std::string_view agent) {
  return join({"team \"", team, "\" references unknown agent \"", agent, "\""});
}
// The "..." is part of the advice: the user fills in the model.
std::string unknown_member_why(std::string_view agent) {
  return join({"define the agent first: agent ", agent, " uses \"...\":"});
}

// Pages.
std::string no_title_message(std::string_view page) {
  return join({"page \"", page, "\" has no title"});
}
constexpr std::string_view kNoTitleWhy = "add: title is \"Page Title\"";

// Functions: statements with side effects, by the word that writes them.
std::string forbidden_statement_message(std::string_view word, std::string_view function) {
  return join({"\"", word, "\" cannot be used inside function \"", function, "\""});
}
constexpr std::string_view kUseJobOrFlowWhy =
    "functions defined with \"to\" must be predictable.\nUse \"job\" or \"flow\" instead.";
constexpr std::string_view kUseJobWhy =
    "functions defined with \"to\" must be predictable.\nUse \"job\" instead.";
constexpr std::string_view kUseFlowWhy =
    "functions defined with \"to\" must be predictable.\nUse \"flow\" instead.";

// Functions: AI expressions.
constexpr std::string_view kReasonExpressionMessage =
    "\"reason\" used as expression inside a pure function";
constexpr std::string_view kSenseExpressionMessage = "\"sense\" used inside a pure function";
constexpr std::string_view kTranslateExpressionMessage =
    "\"translate\" used inside a pure function";
constexpr std::string_view kSummarizeExpressionMessage =
    "\"summarize\" used inside a pure function";
constexpr std::string_view kNoAiWhy =
    "functions defined with \"to\" cannot use AI.\nUse \"job\" instead.";

// ---------------------------------------------------------------------------------------------
// The purity walk of one function body. It reaches exactly as far as listed below: bodies of
// nested blocks, assigned values, created field values, and the operands of arithmetic and
// pipes. Everything else (conditions, returns, logs, match arms, expression statements, list
// items, call arguments, comparisons, the other AI forms) is left alone, so a stand-alone
// reason line or a returned reason expression is allowed.

class PurityWalk {
 public:
  PurityWalk(std::string_view function, std::vector<Diagnostic>& errors)
      : function_(function), errors_(errors) {}

  void body(const Body& statements);
  void expression(const Expression& expression);

  void forbid_statement(std::string_view word, std::string_view why) {
    errors_.push_back(Diagnostic{forbidden_statement_message(word, function_), std::string(why)});
  }
  void forbid_expression(std::string_view message) {
    errors_.push_back(Diagnostic{std::string(message), std::string(kNoAiWhy)});
  }

 private:
  std::string_view function_;
  std::vector<Diagnostic>& errors_;
};

struct StatementWalk {
  PurityWalk& walk;

  void operator()(const stmt::Assignment& s) const { walk.expression(s.value); }
  void operator()(const stmt::Change&) const {}
  // Conditions are not walked, only the bodies, in source order.
  void operator()(const stmt::If& s) const {
    walk.body(s.then_body);
    for (const auto& [condition, else_if_body] : s.else_ifs) walk.body(else_if_body);
    walk.body(s.else_body);
  }
  void operator()(const stmt::Match&) const {}
  void operator()(const stmt::ConfidenceMatch&) const {}
  void operator()(const stmt::ForEach& s) const { walk.body(s.body); }
  void operator()(const stmt::Repeat& s) const { walk.body(s.body); }
  void operator()(const stmt::Return&) const {}
  void operator()(const stmt::Need&) const {}
  // The timeout handler is not walked.
  void operator()(const stmt::Try& s) const {
    walk.body(s.body);
    walk.body(s.on_fail);
  }
  void operator()(const stmt::Assume& s) const { walk.body(s.but_if_wrong); }
  void operator()(const stmt::Pretend& s) const { walk.body(s.body); }
  void operator()(const stmt::Together& s) const { walk.body(s.body); }
  void operator()(const stmt::Stop&) const {}
  void operator()(const stmt::Check&) const {}
  void operator()(const stmt::Remember&) const {
    walk.forbid_statement("remember", kUseJobOrFlowWhy);
  }
  void operator()(const stmt::Recall&) const { walk.forbid_statement("recall", kUseJobOrFlowWhy); }
  void operator()(const stmt::Forget&) const {}
  void operator()(const stmt::Teach&) const { walk.forbid_statement("teach", kUseJobWhy); }
  void operator()(const stmt::Narrate&) const { walk.forbid_statement("narrate", kUseJobWhy); }
  void operator()(const stmt::Log&) const {}
  void operator()(const stmt::Flag&) const {}
  void operator()(const stmt::Notify&) const {}
  void operator()(const stmt::Send&) const { walk.forbid_statement("send", kUseFlowWhy); }
  void operator()(const stmt::CallApi&) const { walk.forbid_statement("call", kUseFlowWhy); }
  void operator()(const stmt::Run&) const {}
  void operator()(const stmt::Create& s) const {
    for (const auto& [field, value] : s.create.fields) walk.expression(value);
  }
  void operator()(const stmt::Update&) const {}
  void operator()(const stmt::Delete&) const {}
  void operator()(const stmt::Add&) const {}
  void operator()(const stmt::Remove&) const {}
  void operator()(const stmt::Undo&) const {}
  void operator()(const stmt::ExprStatement&) const {}
};

struct ExpressionWalk {
  PurityWalk& walk;

  void operator()(const expr::Integer&) const {}
  void operator()(const expr::Decimal&) const {}
  void operator()(const expr::StringLit&) const {}
  void operator()(const expr::Bool&) const {}
  void operator()(const expr::Nothing&) const {}
  void operator()(const expr::Identifier&) const {}
  void operator()(const expr::List&) const {}
  void operator()(const expr::Map&) const {}
  void operator()(const expr::MemberAccess&) const {}
  void operator()(const expr::FunctionCall&) const {}
  void operator()(const expr::BinaryOp& e) const {
    walk.expression(*e.left);
    walk.expression(*e.right);
  }
  void operator()(const expr::UnaryNot&) const {}
  void operator()(const expr::Comparison&) const {}
  void operator()(const expr::LogicalAnd&) const {}
  void operator()(const expr::LogicalOr&) const {}
  void operator()(const expr::Pipe& e) const {
    walk.expression(*e.left);
    walk.expression(*e.right);
  }
  void operator()(const expr::SumOf&) const {}
  void operator()(const Box<ReasonExpr>&) const {
    walk.forbid_expression(kReasonExpressionMessage);
  }
  void operator()(const expr::SenseExpr&) const { walk.forbid_expression(kSenseExpressionMessage); }
  void operator()(const expr::TranslateExpr&) const {
    walk.forbid_expression(kTranslateExpressionMessage);
  }
  void operator()(const expr::SummarizeExpr&) const {
    walk.forbid_expression(kSummarizeExpressionMessage);
  }
  void operator()(const expr::DebateExpr&) const {}
  void operator()(const expr::BlendExpr&) const {}
  void operator()(const expr::ImagineExpr&) const {}
  void operator()(const expr::RethinkExpr&) const {}
  void operator()(const expr::CompareExpr&) const {}
};

void PurityWalk::body(const Body& statements) {
  for (const Statement& statement : statements) std::visit(StatementWalk{*this}, statement.node);
}

void PurityWalk::expression(const Expression& expression) {
  std::visit(ExpressionWalk{*this}, expression.node);
}

// ---------------------------------------------------------------------------------------------
// Pages

// Whether an item directly in a page body gives the page its title. Titles nested in other
// items do not count.
struct IsTitle {
  bool operator()(const page::Title&) const { return true; }
  bool operator()(const page::Text&) const { return false; }
  bool operator()(const page::Show&) const { return false; }
  bool operator()(const page::Form&) const { return false; }
  bool operator()(const page::Button&) const { return false; }
  bool operator()(const page::Beside&) const { return false; }
  bool operator()(const page::Panels&) const { return false; }
  bool operator()(const page::Card&) const { return false; }
  bool operator()(const page::Divider&) const { return false; }
  bool operator()(const page::Spacer&) const { return false; }
  bool operator()(const page::Conditional&) const { return false; }
};

bool has_title(const PageDecl& page_decl) {
  return std::ranges::any_of(page_decl.body,
                             [](const PageItem& item) { return std::visit(IsTitle{}, item.node); });
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pass 1: the names of all agents, so that a team may name an agent declared after it.

struct Checker::AgentNames {
  Checker& checker;

  void operator()(const AppDecl&) const {}
  void operator()(const RecordDecl&) const {}
  void operator()(const AgentDecl& agent) const { checker.known_agents_.insert(agent.name); }
  void operator()(const TeamDecl&) const {}
  void operator()(const FunctionDecl&) const {}
  void operator()(const JobDecl&) const {}
  void operator()(const FlowDecl&) const {}
  void operator()(const PageDecl&) const {}
  void operator()(const UseDecl&) const {}
  void operator()(const AlwaysDecl&) const {}
  void operator()(const ChoicesDecl&) const {}
};

// ---------------------------------------------------------------------------------------------
// Pass 2: the rules of each kind of declaration, in their fixed order.

struct Checker::DeclarationRules {
  Checker& checker;

  void operator()(const AppDecl&) const {}

  void operator()(const RecordDecl& record) const {
    if (record.fields.empty()) {
      checker.error(empty_record_message(record.name), std::string(kEmptyRecordWhy));
    }
    // Every repetition of a name is reported, so a, b, a, a gives two errors.
    std::unordered_set<std::string_view> seen;
    for (const FieldDecl& field : record.fields) {
      if (!seen.insert(field.name).second) {
        checker.error(duplicate_field_message(field.name, record.name),
                      std::string(kDuplicateFieldWhy));
      }
    }
  }

  // The agent's jobs are not inspected: jobs may use AI and side effects.
  void operator()(const AgentDecl& agent) const {
    if (!agent.model) checker.warning(no_model_message(agent.name), no_model_why(agent.name));
    if (agent.capabilities.empty()) {
      checker.warning(no_capabilities_message(agent.name), std::string(kNoCapabilitiesWhy));
    }
    if (agent.jobs.empty()) {
      checker.warning(no_jobs_message(agent.name), std::string(kNoJobsWhy));
    }
  }

  void operator()(const TeamDecl& team) const {
    if (team.agents.size() < 2) {
      checker.warning(small_team_message(team.name), std::string(kSmallTeamWhy));
    }
    for (const std::string& name : team.agents) {
      if (!checker.known_agents_.contains(name)) {
        checker.error(unknown_member_message(team.name, name), unknown_member_why(name));
      }
    }
  }

  // Functions declared with "to" must be predictable: no AI, no side effects.
  void operator()(const FunctionDecl& function) const {
    PurityWalk(function.name, checker.errors_).body(function.body);
  }

  // Jobs and flows may use AI and side effects; there is nothing to check in them.
  void operator()(const JobDecl&) const {}
  void operator()(const FlowDecl&) const {}

  void operator()(const PageDecl& page_decl) const {
    if (!has_title(page_decl)) {
      checker.warning(no_title_message(page_decl.name), std::string(kNoTitleWhy));
    }
  }

  void operator()(const UseDecl&) const {}
  void operator()(const AlwaysDecl&) const {}
  void operator()(const ChoicesDecl&) const {}
};

CheckReport Checker::check(const Program& program) {
  for (const Declaration& declaration : program.declarations) {
    std::visit(AgentNames{*this}, declaration.node);
  }
  for (const Declaration& declaration : program.declarations) {
    std::visit(DeclarationRules{*this}, declaration.node);
  }
  known_agents_.clear();
  return CheckReport{std::exchange(errors_, {}), std::exchange(warnings_, {})};
}

void Checker::error(std::string message, std::string why) {
  errors_.push_back(Diagnostic{std::move(message), std::move(why)});
}

void Checker::warning(std::string message, std::string why) {
  warnings_.push_back(Diagnostic{std::move(message), std::move(why)});
}

// ---------------------------------------------------------------------------------------------
// Rendering

namespace {

// The lines of an explanation: split at line feeds, each dropping a carriage return just
// before its line feed. A final line feed ends the last line rather than starting an empty
// one, and an empty text has no lines.
std::vector<std::string_view> explanation_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

std::string render_diagnostics(const CheckReport& report) {
  std::string text;
  for (const Diagnostic& warning : report.warnings) {
    text += "  warning: ";
    text += warning.message;
    text += '\n';
  }
  if (report.errors.empty()) return text;
  text += '\n';
  for (const Diagnostic& error : report.errors) {
    text += "  error: ";
    text += error.message;
    text += "\n\n  Why: ";
    const std::vector<std::string_view> lines = explanation_lines(error.why);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) text += "        ";
      text += lines[i];
      text += '\n';
    }
    if (lines.empty()) text += '\n';
    text += '\n';
  }
  return text;
}

}  // namespace pellix
