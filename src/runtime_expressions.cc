// Expression evaluation: literals, variables, interpolation, lists and maps, member access,
// calls, operators and the aggregate form. An error from any part ends the evaluation at once.
#include <string>
#include <utility>
#include <variant>

#include "runtime.h"

namespace pellix {
namespace {

constexpr std::string_view kNow = "2026-04-10T00:00:00Z";
constexpr std::string_view kToday = "2026-04-10";
constexpr std::string_view kPipeVariable = "_pipe";

// The member of a map (its entry), a list ("count", "first", "last") or a text ("length");
// nothing when there is no such entry, the list is empty, or the kind has no such member.
// Member access and placeholders in texts read members alike.
std::optional<Value> member_value(const Value& value, std::string_view member) {
  switch (value.kind()) {
    case ValueKind::Map: {
      const Value* entry = value.as_map().find(member);
      if (entry == nullptr) return std::nullopt;
      return *entry;
    }
    case ValueKind::List: {
      const std::vector<Value>& list = value.as_list();
      if (member == "count") return Value::integer(static_cast<std::int64_t>(list.size()));
      if (list.empty()) return std::nullopt;
      if (member == "first") return list.front();
      if (member == "last") return list.back();
      return std::nullopt;
    }
    case ValueKind::Text:
      if (member != "length") return std::nullopt;
      return Value::integer(static_cast<std::int64_t>(value.as_text().size()));
    case ValueKind::Integer:
    case ValueKind::Decimal:
    case ValueKind::Bool:
    case ValueKind::Nothing:
    case ValueKind::AiResult:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

// One overload per kind of expression, so a new kind fails to compile until it is evaluated.
struct ExpressionEvaluator {
  Runtime& runtime;

  Result<Value> operator()(const expr::Integer& e) const { return Value::integer(e.value); }
  Result<Value> operator()(const expr::Decimal& e) const { return Value::decimal(e.value); }
  Result<Value> operator()(const expr::StringLit& e) const {
    return Value::text(runtime.interpolate(runtime.plan_for(e)));
  }
  Result<Value> operator()(const expr::Bool& e) const { return Value::boolean(e.value); }
  Result<Value> operator()(const expr::Nothing&) const { return Value(); }
  Result<Value> operator()(const expr::Identifier& e) const {
    return runtime.evaluate_identifier(e);
  }
  Result<Value> operator()(const expr::List& e) const {
    std::vector<Value> items;
    items.reserve(e.items.size());
    for (const Expression& item : e.items) {
      PX_TRY(Value value, runtime.evaluate(item));
      items.push_back(std::move(value));
    }
    return Value::list(std::move(items));
  }
  Result<Value> operator()(const expr::Map& e) const {
    Map map;
    map.reserve(e.entries.size());
    for (const auto& [key, expression] : e.entries) {
      PX_TRY(Value value, runtime.evaluate(expression));
      map.set(key, std::move(value));
    }
    return Value::map(std::move(map));
  }
  Result<Value> operator()(const expr::MemberAccess& e) const { return runtime.evaluate_member(e); }
  Result<Value> operator()(const expr::FunctionCall& e) const { return runtime.evaluate_call(e); }
  Result<Value> operator()(const expr::BinaryOp& e) const {
    PX_TRY(Value left, runtime.evaluate(*e.left));
    PX_TRY(Value right, runtime.evaluate(*e.right));
    return arithmetic(e.op, left, right);
  }
  Result<Value> operator()(const expr::UnaryNot& e) const {
    PX_TRY(Value operand, runtime.evaluate(*e.operand));
    return Value::boolean(!is_truthy(operand));
  }
  Result<Value> operator()(const expr::Comparison& e) const {
    PX_TRY(Value left, runtime.evaluate(*e.left));
    PX_TRY(Value right, runtime.evaluate(*e.right));
    return Value::boolean(compare(e.op, left, right));
  }
  // `and` always yields yes or no; `or` yields one of its operands unchanged.
  Result<Value> operator()(const expr::LogicalAnd& e) const {
    PX_TRY(Value left, runtime.evaluate(*e.left));
    if (!is_truthy(left)) return Value::boolean(false);
    PX_TRY(Value right, runtime.evaluate(*e.right));
    return Value::boolean(is_truthy(right));
  }
  Result<Value> operator()(const expr::LogicalOr& e) const {
    PX_TRY(Value left, runtime.evaluate(*e.left));
    if (is_truthy(left)) return left;
    return runtime.evaluate(*e.right);
  }
  Result<Value> operator()(const expr::Pipe& e) const {
    PX_TRY(Value left, runtime.evaluate(*e.left));
    runtime.set_variable(kPipeVariable, std::move(left));
    return runtime.evaluate(*e.right);
  }
  Result<Value> operator()(const expr::SumOf& e) const { return runtime.evaluate_sum(e); }
  Result<Value> operator()(const Box<ReasonExpr>& e) const { return runtime.evaluate_ai(*e); }
  Result<Value> operator()(const expr::SenseExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::TranslateExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::SummarizeExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::DebateExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::BlendExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::ImagineExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::RethinkExpr& e) const { return runtime.evaluate_ai(e); }
  Result<Value> operator()(const expr::CompareExpr& e) const { return runtime.evaluate_ai(e); }
};

Result<Value> Runtime::evaluate(const Expression& expression) {
  return std::visit(ExpressionEvaluator{*this}, expression.node);
}

// "now" and "today" are fixed texts whatever the variables hold; an unknown name is nothing.
Result<Value> Runtime::evaluate_identifier(const expr::Identifier& identifier) {
  if (identifier.slot == kNoSlot) {
    if (identifier.name == "now") return Value::text(std::string(kNow));
    if (identifier.name == "today") return Value::text(std::string(kToday));
    identifier.slot = slot_for(identifier.name);
  }
  return variable_at(identifier.slot);
}

Result<Value> Runtime::evaluate_member(const expr::MemberAccess& access) {
  PX_TRY(Value object, evaluate(*access.object));
  return member_value(object, access.member).value_or(Value());
}

// Arguments are evaluated before the name is looked up; an unknown function gives nothing.
// They go on the runtime's argument stack rather than into a list of their own, and the
// function's index is cached in the call once found.
Result<Value> Runtime::evaluate_call(const expr::FunctionCall& call) {
  const std::size_t base = arg_stack_.size();
  struct Unwind {
    std::vector<Value>& stack;
    std::size_t base;
    ~Unwind() { stack.resize(base); }
  } unwind{arg_stack_, base};
  for (const Expression& arg : call.args) {
    PX_TRY(Value value, evaluate(arg));
    arg_stack_.push_back(std::move(value));
  }
  if (call.slot == kNoSlot) {
    const auto index = functions_.find(call.callee);
    if (!index) return Value();
    call.slot = *index;
  }
  // The arguments are bound before the body runs, so calls inside it may grow the stack.
  return this->call(*functions_.at(call.slot), arg_stack_.data() + base, arg_stack_.size() - base);
}

Result<Value> Runtime::evaluate_sum(const expr::SumOf& sum) {
  PX_TRY(Value collection, evaluate(*sum.collection));
  if (!collection.is(ValueKind::List)) return Value::integer(0);
  double total = 0.0;
  for (const Value& element : collection.as_list()) {
    if (element.is(ValueKind::Integer) || element.is(ValueKind::Decimal)) {
      total += to_number(element);
    }
  }
  return Value::decimal(total);
}

// A literal is read once: placeholders "{name}" and "{base.member}" (only the first two
// parts of a dotted name count), and an unclosed "{name" at the end.
const InterpolationPlan& Runtime::plan_for(const expr::StringLit& literal) {
  if (literal.plan) return *literal.plan;
  auto plan = std::make_shared<InterpolationPlan>();
  const std::string_view text = literal.value;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t open = text.find('{', start);
    if (open == std::string_view::npos) {
      plan->pieces.push_back({std::string(text.substr(start)), false, 0, {}, false});
      break;
    }
    if (open > start) {
      plan->pieces.push_back({std::string(text.substr(start, open - start)), false, 0, {}, false});
    }
    const std::size_t close = text.find('}', open + 1);
    const std::size_t end = close == std::string_view::npos ? text.size() : close;
    const std::string_view name = text.substr(open + 1, end - open - 1);
    const std::size_t dot = name.find('.');
    InterpolationPlan::Piece piece{
        std::string(name), true, slot_for(name.substr(0, dot)), {}, dot != std::string_view::npos};
    if (piece.has_member) {
      const std::string_view member = name.substr(dot + 1);
      piece.member = std::string(member.substr(0, member.find('.')));
    }
    plan->pieces.push_back(std::move(piece));
    start = end + 1;
  }
  literal.plan = std::move(plan);
  return *literal.plan;
}

// Placeholders are replaced by display texts; whatever does not resolve is written back as it
// was, braces included (so an unclosed "{name" at the end gains its brace).
std::string Runtime::interpolate(const InterpolationPlan& plan) const {
  std::string out;
  for (const InterpolationPlan::Piece& piece : plan.pieces) {
    if (!piece.is_placeholder) {
      out += piece.text;
      continue;
    }
    if (is_set_[piece.slot]) {
      const Value& value = slots_[piece.slot];
      if (!piece.has_member) {
        append_display(out, value);
        continue;
      }
      if (auto member = member_value(value, piece.member)) {
        append_display(out, *member);
        continue;
      }
    }
    out.append("{").append(piece.text).append("}");
  }
  return out;
}

}  // namespace pellix
