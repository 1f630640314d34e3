// Cost analysis. The counting reaches only the positions listed in the walks below: a model
// call anywhere else (a returned reason, a stand-alone reason line, a condition, the other AI
// forms) is not counted, so the estimate is a floor, not a bound.
#include "cost.h"

#include <array>
#include <variant>

#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kUnknownModel = "unknown";

constexpr std::string_view kReportHeading = "\n  Cost Analysis: ";
constexpr std::string_view kModelLine = "  Model:             ";
constexpr std::string_view kCostPerCallLine = "  Cost per AI call:  $";
constexpr std::string_view kEstimatedTotalLine = "  Estimated total:   $";
constexpr std::string_view kPerRun = " per run\n";
constexpr std::string_view kLoopsHeading = "  Loops with AI calls:\n";
constexpr std::string_view kLoopLineEnd = " AI call(s) per iteration\n";
constexpr std::string_view kSuggestionsHeading = "  Suggestions:\n";

constexpr std::string_view kCheaperModelStart = "Using ";
constexpr std::string_view kCheaperModelPrice = " at ~$";
constexpr std::string_view kCheaperModelEnd =
    "/call. A cheaper model like claude-haiku or gpt-4o-mini could reduce costs by 90%+.";
constexpr std::string_view kLoopStart = "Loop in \"";
constexpr std::string_view kLoopCalls = "\" makes ";
constexpr std::string_view kLoopThousand = " AI call(s) per iteration. At 1000 iterations: $";
constexpr std::string_view kLoopEnd = "/run.";
constexpr std::string_view kNoAiCalls = "No AI calls found. This program runs for free.";
constexpr std::string_view kLocalModel = "Using a local model. All AI calls are free.";

constexpr double kLoopIterations = 1000;

struct PriceEntry {
  std::string_view contains;
  ModelPrice price;
};

// Searched in this order, so "gpt-4o-mini" is found before "gpt-4o" and "gpt-4".
constexpr std::array<PriceEntry, 18> kPrices = {{
    {"claude-opus", {0.075, true}},
    {"claude-sonnet", {0.015, true}},
    {"claude-haiku", {0.001, false}},
    {"gpt-4o-mini", {0.0006, false}},
    {"gpt-4o", {0.015, true}},
    {"gpt-4", {0.06, true}},
    {"gpt-3.5", {0.002, false}},
    {"gemini-pro", {0.007, false}},
    {"gemini-flash", {0.0004, false}},
    // Models served on the user's own machine cost nothing.
    {"llama", {0.0, false}},
    {"mistral", {0.0, false}},
    {"phi", {0.0, false}},
    {"deepseek", {0.0, false}},
    {"codellama", {0.0, false}},
    {"gemma", {0.0, false}},
    {"qwen", {0.0, false}},
    {"vicuna", {0.0, false}},
    {"orca", {0.0, false}},
}};

constexpr ModelPrice kOtherModelPrice = {0.01, false};

std::size_t count_expression(const Expression& expression);

// Only assignments and the bodies of blocks are entered; conditions and other statements are
// not.
struct StatementCount {
  std::size_t operator()(const stmt::Assignment& s) const { return count_expression(s.value); }
  std::size_t operator()(const stmt::Change&) const { return 0; }
  std::size_t operator()(const stmt::If& s) const {
    std::size_t count = count_ai_calls(s.then_body);
    for (const auto& [condition, body] : s.else_ifs) count += count_ai_calls(body);
    return count + count_ai_calls(s.else_body);
  }
  std::size_t operator()(const stmt::Match&) const { return 0; }
  std::size_t operator()(const stmt::ConfidenceMatch&) const { return 0; }
  std::size_t operator()(const stmt::ForEach& s) const { return count_ai_calls(s.body); }
  std::size_t operator()(const stmt::Repeat& s) const { return count_ai_calls(s.body); }
  std::size_t operator()(const stmt::Return&) const { return 0; }
  std::size_t operator()(const stmt::Need&) const { return 0; }
  // The timeout handler is not counted.
  std::size_t operator()(const stmt::Try& s) const {
    return count_ai_calls(s.body) + count_ai_calls(s.on_fail);
  }
  std::size_t operator()(const stmt::Assume&) const { return 0; }
  std::size_t operator()(const stmt::Pretend& s) const { return count_ai_calls(s.body); }
  std::size_t operator()(const stmt::Together& s) const { return count_ai_calls(s.body); }
  std::size_t operator()(const stmt::Stop&) const { return 0; }
  std::size_t operator()(const stmt::Check&) const { return 0; }
  std::size_t operator()(const stmt::Remember&) const { return 0; }
  std::size_t operator()(const stmt::Recall&) const { return 0; }
  std::size_t operator()(const stmt::Forget&) const { return 0; }
  std::size_t operator()(const stmt::Teach&) const { return 0; }
  std::size_t operator()(const stmt::Narrate&) const { return 0; }
  std::size_t operator()(const stmt::Log&) const { return 0; }
  std::size_t operator()(const stmt::Flag&) const { return 0; }
  std::size_t operator()(const stmt::Notify&) const { return 0; }
  std::size_t operator()(const stmt::Send&) const { return 0; }
  std::size_t operator()(const stmt::CallApi&) const { return 0; }
  std::size_t operator()(const stmt::Run&) const { return 0; }
  std::size_t operator()(const stmt::Create&) const { return 0; }
  std::size_t operator()(const stmt::Update&) const { return 0; }
  std::size_t operator()(const stmt::Delete&) const { return 0; }
  std::size_t operator()(const stmt::Add&) const { return 0; }
  std::size_t operator()(const stmt::Remove&) const { return 0; }
  std::size_t operator()(const stmt::Undo&) const { return 0; }
  std::size_t operator()(const stmt::ExprStatement&) const { return 0; }
};

// One call for each of the four single-prompt forms (their operands are not looked into), and
// the operands of arithmetic and pipes.
struct ExpressionCount {
  std::size_t operator()(const expr::Integer&) const { return 0; }
  std::size_t operator()(const expr::Decimal&) const { return 0; }
  std::size_t operator()(const expr::StringLit&) const { return 0; }
  std::size_t operator()(const expr::Bool&) const { return 0; }
  std::size_t operator()(const expr::Nothing&) const { return 0; }
  std::size_t operator()(const expr::Identifier&) const { return 0; }
  std::size_t operator()(const expr::List&) const { return 0; }
  std::size_t operator()(const expr::Map&) const { return 0; }
  std::size_t operator()(const expr::MemberAccess&) const { return 0; }
  std::size_t operator()(const expr::FunctionCall&) const { return 0; }
  std::size_t operator()(const expr::BinaryOp& e) const {
    return count_expression(*e.left) + count_expression(*e.right);
  }
  std::size_t operator()(const expr::UnaryNot&) const { return 0; }
  std::size_t operator()(const expr::Comparison&) const { return 0; }
  std::size_t operator()(const expr::LogicalAnd&) const { return 0; }
  std::size_t operator()(const expr::LogicalOr&) const { return 0; }
  std::size_t operator()(const expr::Pipe& e) const {
    return count_expression(*e.left) + count_expression(*e.right);
  }
  std::size_t operator()(const expr::SumOf&) const { return 0; }
  std::size_t operator()(const Box<ReasonExpr>&) const { return 1; }
  std::size_t operator()(const expr::SenseExpr&) const { return 1; }
  std::size_t operator()(const expr::TranslateExpr&) const { return 1; }
  std::size_t operator()(const expr::SummarizeExpr&) const { return 1; }
  std::size_t operator()(const expr::DebateExpr&) const { return 0; }
  std::size_t operator()(const expr::BlendExpr&) const { return 0; }
  std::size_t operator()(const expr::ImagineExpr&) const { return 0; }
  std::size_t operator()(const expr::RethinkExpr&) const { return 0; }
  std::size_t operator()(const expr::CompareExpr&) const { return 0; }
};

std::size_t count_expression(const Expression& expression) {
  return std::visit(ExpressionCount{}, expression.node);
}

// Walks the branches of conditions and the bodies of loops only, and records each loop whose
// body calls a model before looking inside it, so outer loops come before inner ones.
void find_loops(std::string_view flow, const Body& body, std::vector<CostLoop>& loops) {
  const auto loop = [&](const Body& loop_body) {
    if (const std::size_t calls = count_ai_calls(loop_body); calls != 0) {
      loops.push_back(CostLoop{std::string(flow), calls});
    }
    find_loops(flow, loop_body, loops);
  };
  for (const Statement& statement : body) {
    if (const auto* condition = std::get_if<stmt::If>(&statement.node)) {
      find_loops(flow, condition->then_body, loops);
      for (const auto& [test, else_if_body] : condition->else_ifs) {
        find_loops(flow, else_if_body, loops);
      }
      find_loops(flow, condition->else_body, loops);
    } else if (const auto* each = std::get_if<stmt::ForEach>(&statement.node)) {
      loop(each->body);
    } else if (const auto* repeat = std::get_if<stmt::Repeat>(&statement.node)) {
      loop(repeat->body);
    }
  }
}

// Counts one body and finds its loops, under the name of the flow or job that holds it.
struct Tally {
  std::size_t ai_calls = 0;
  std::vector<CostLoop> loops;

  void add(std::string_view flow, const Body& body) {
    ai_calls += count_ai_calls(body);
    find_loops(flow, body, loops);
  }
};

std::vector<std::string> suggestions_for(const std::string& model, ModelPrice price,
                                         const Tally& tally) {
  std::vector<std::string> suggestions;
  if (price.is_expensive) {
    std::string text(kCheaperModelStart);
    text.append(model).append(kCheaperModelPrice);
    append_fixed_decimal(text, price.per_call, 3);
    suggestions.push_back(text.append(kCheaperModelEnd));
  }
  if (price.per_call > 0) {
    for (const CostLoop& loop : tally.loops) {
      std::string text(kLoopStart);
      text.append(loop.flow).append(kLoopCalls);
      append_unsigned(text, loop.ai_calls);
      text.append(kLoopThousand);
      const double calls = static_cast<double>(loop.ai_calls) * kLoopIterations;
      append_fixed_decimal(text, price.per_call * calls, 2);
      suggestions.push_back(text.append(kLoopEnd));
    }
  }
  if (tally.ai_calls == 0) {
    suggestions.emplace_back(kNoAiCalls);
  } else if (price.per_call == 0) {
    suggestions.emplace_back(kLocalModel);
  }
  return suggestions;
}

}  // namespace

ModelPrice price_for_model(std::string_view model) {
  for (const PriceEntry& entry : kPrices) {
    if (model.find(entry.contains) != std::string_view::npos) return entry.price;
  }
  return kOtherModelPrice;
}

std::size_t count_ai_calls(const Body& body) {
  std::size_t count = 0;
  for (const Statement& statement : body) count += std::visit(StatementCount{}, statement.node);
  return count;
}

CostReport analyze_cost(const Program& program) {
  std::string model(kUnknownModel);
  Tally tally;
  for (const Declaration& declaration : program.declarations) {
    if (const auto* agent = std::get_if<AgentDecl>(&declaration.node)) {
      if (agent->model) model = *agent->model;
      for (const JobDecl& job : agent->jobs) tally.add(job.name, job.body);
    } else if (const auto* job = std::get_if<JobDecl>(&declaration.node)) {
      tally.add(job->name, job->body);
    } else if (const auto* flow = std::get_if<FlowDecl>(&declaration.node)) {
      tally.add(flow->name, flow->body);
    }
  }
  const ModelPrice price = price_for_model(model);
  CostReport report;
  report.suggestions = suggestions_for(model, price, tally);
  report.loops = std::move(tally.loops);
  report.model = std::move(model);
  report.cost_per_call = price.per_call;
  report.estimated_total = price.per_call * static_cast<double>(tally.ai_calls);
  return report;
}

std::string render_cost_report(const CostReport& report, std::string_view path) {
  std::string out(kReportHeading);
  out.append(path).append("\n\n");
  out.append(kModelLine).append(report.model).append("\n");
  out.append(kCostPerCallLine);
  append_money(out, report.cost_per_call);
  out.append("\n").append(kEstimatedTotalLine);
  append_money(out, report.estimated_total);
  out.append(kPerRun).append("\n");
  if (!report.loops.empty()) {
    out.append(kLoopsHeading);
    for (const CostLoop& loop : report.loops) {
      out.append("    \"").append(loop.flow).append("\" \u2014 ");
      append_unsigned(out, loop.ai_calls);
      out.append(kLoopLineEnd);
    }
    out.append("\n");
  }
  if (!report.suggestions.empty()) {
    out.append(kSuggestionsHeading);
    for (const std::string& suggestion : report.suggestions) {
      out.append("    - ").append(suggestion).append("\n");
    }
    out.append("\n");
  }
  return out;
}

}  // namespace pellix
