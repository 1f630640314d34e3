// Expression evaluation: literals, variables, interpolation, lists and maps, member access,
// calls, operators and the aggregate form. An error from any part ends the evaluation at once.
#include <array>
#include <string>
#include <utility>
#include <variant>

#include "runtime_nodes.h"

namespace pellix {
namespace {

constexpr std::string_view kNow = "2026-04-10T00:00:00Z";
constexpr std::string_view kToday = "2026-04-10";
constexpr std::string_view kPipeVariable = "_pipe";

// The member of a map (its entry), a list ("count", "first", "last") or a text ("length"):
// points at the entry or element in place, or at `computed` holding a count; null when there
// is no such entry, the list is empty, or the kind has no such member. Member access and
// placeholders in texts read members alike.
const Value* find_member(const Value& value, std::string_view member, Value& computed) {
  switch (value.kind()) {
    case ValueKind::Map:
      return value.as_map().find(member);
    case ValueKind::List: {
      const std::vector<Value>& list = value.as_list();
      if (member == "count") {
        computed = Value::integer(static_cast<std::int64_t>(list.size()));
        return &computed;
      }
      if (list.empty()) return nullptr;
      if (member == "first") return &list.front();
      if (member == "last") return &list.back();
      return nullptr;
    }
    case ValueKind::Text:
      if (member != "length") return nullptr;
      computed = Value::integer(static_cast<std::int64_t>(value.as_text().size()));
      return &computed;
    case ValueKind::Integer:
    case ValueKind::Decimal:
    case ValueKind::Bool:
    case ValueKind::Nothing:
    case ValueKind::AiResult:
      return nullptr;
  }
  return nullptr;
}

}  // namespace

// One node class per kind of expression, each running with its operands compiled.
struct Runtime::ExpressionNodes {
  using Node = CompiledNode;

  class Constant final : public Node {
   public:
    explicit Constant(Value value) : value_(std::move(value)) {}
    bool run(Runtime&, Value& out) const override {
      out = value_;
      return true;
    }

   private:
    Value value_;
  };

  // A variable never set reads as nothing: its slot holds Nothing until then.
  class Variable final : public Node {
   public:
    explicit Variable(std::uint32_t slot) : slot_(slot) {}
    bool run(Runtime& runtime, Value& out) const override {
      out = runtime.slots_[slot_];
      return true;
    }

   private:
    std::uint32_t slot_;
  };

  class Text final : public Node {
   public:
    explicit Text(InterpolationPlan plan) : plan_(std::move(plan)) {}
    bool run(Runtime& runtime, Value& out) const override {
      out = Value::text(runtime.interpolate(plan_));
      return true;
    }

   private:
    InterpolationPlan plan_;
  };

  class ListLiteral final : public Node {
   public:
    explicit ListLiteral(std::vector<const Node*> items) : items_(std::move(items)) {}
    bool run(Runtime& runtime, Value& out) const override {
      std::vector<Value> values(items_.size());
      for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i]->run(runtime, values[i])) return false;
      }
      out = Value::list(std::move(values));
      return true;
    }

   private:
    std::vector<const Node*> items_;
  };

  class MapLiteral final : public Node {
   public:
    explicit MapLiteral(std::vector<std::pair<std::string, const Node*>> entries)
        : entries_(std::move(entries)) {}
    bool run(Runtime& runtime, Value& out) const override {
      Map map;
      map.reserve(entries_.size());
      for (const auto& [key, node] : entries_) {
        Value value;
        if (!node->run(runtime, value)) return false;
        map.set(key, std::move(value));
      }
      out = Value::map(std::move(map));
      return true;
    }

   private:
    std::vector<std::pair<std::string, const Node*>> entries_;
  };

  class Member final : public Node {
   public:
    Member(const Node& object, std::string member) : object_(object), member_(std::move(member)) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value object;
      if (!object_.run(runtime, object)) return false;
      Value computed;
      const Value* member = find_member(object, member_, computed);
      out = member != nullptr ? *member : Value();
      return true;
    }

   private:
    const Node& object_;
    std::string member_;
  };

  // Arguments are evaluated before the name is looked up; an unknown function gives nothing.
  // The function's index is kept once found, so later calls skip the lookup; a function loaded
  // later under the same name takes the same index.
  class Call final : public Node {
   public:
    Call(std::string callee, std::vector<const Node*> args)
        : callee_(std::move(callee)), args_(std::move(args)) {}
    bool run(Runtime& runtime, Value& out) const override {
      switch (args_.size()) {
        case 0:
          return call(runtime, nullptr, out);
        case 1: {
          Value value;
          if (!args_[0]->run(runtime, value)) return false;
          return call(runtime, &value, out);
        }
        case 2:
        case 3:
        case 4: {
          std::array<Value, 4> values;
          return evaluate_and_call(runtime, values.data(), out);
        }
        default: {
          std::vector<Value> values(args_.size());
          return evaluate_and_call(runtime, values.data(), out);
        }
      }
    }

   private:
    static constexpr std::uint32_t kNotFound = 0xFFFFFFFF;

    bool evaluate_and_call(Runtime& runtime, Value* values, Value& out) const {
      for (std::size_t i = 0; i < args_.size(); ++i) {
        if (!args_[i]->run(runtime, values[i])) return false;
      }
      return call(runtime, values, out);
    }

    bool call(Runtime& runtime, Value* values, Value& out) const {
      if (index_ == kNotFound) {
        const auto index = runtime.functions_.find(callee_);
        if (!index) {
          out = Value();
          return true;
        }
        index_ = *index;
      }
      return runtime.call(*runtime.functions_.at(index_), values, args_.size(), out);
    }

    std::string callee_;
    std::vector<const Node*> args_;
    mutable std::uint32_t index_ = kNotFound;
  };

  // The operands of the binary operators. A variable or a constant is read where it lies
  // instead of being copied out by a node of its own, which is most of the work in loops like
  // `total = total + item`; each operator node is made for the kinds of its two operands.
  struct VariableOperand {
    static constexpr bool kRunsCode = false;
    std::uint32_t slot;
    const Value* read(Runtime& runtime, Value&) const { return &runtime.slots_[slot]; }
  };
  struct ConstantOperand {
    static constexpr bool kRunsCode = false;
    Value value;
    const Value* read(Runtime&, Value&) const { return &value; }
  };
  struct NodeOperand {
    static constexpr bool kRunsCode = true;
    const Node* node;
    const Value* read(Runtime& runtime, Value& scratch) const {
      return node->run(runtime, scratch) ? &scratch : nullptr;
    }
  };

  // Reads both operands in order; each result points at the value in place or at its scratch
  // value and stays valid until the next node runs.
  template <typename First, typename Second>
  static bool read_pair(Runtime& runtime, const First& first, const Second& second,
                        Value (&scratch)[2], const Value*& left, const Value*& right) {
    left = first.read(runtime, scratch[0]);
    if (left == nullptr) return false;
    if constexpr (Second::kRunsCode && !First::kRunsCode) {
      // The second operand runs code that may change the first's variable or move the table,
      // so the first is copied out before it.
      scratch[0] = *left;
      left = &scratch[0];
    }
    right = second.read(runtime, scratch[1]);
    return right != nullptr;
  }

  // Calls `make` with the operand of `expression` in its kind.
  template <typename Make>
  static const Node& with_operand(Runtime& runtime, const Expression& expression, Make make) {
    if (const auto* identifier = std::get_if<expr::Identifier>(&expression.node);
        identifier != nullptr && identifier->name != "now" && identifier->name != "today") {
      return make(VariableOperand{runtime.slot_for(identifier->name)});
    }
    if (const auto* integer = std::get_if<expr::Integer>(&expression.node)) {
      return make(ConstantOperand{Value::integer(integer->value)});
    }
    return make(NodeOperand{&runtime.node_for(expression)});
  }

  // The node `Operator<First, Second>` for the operand kinds of `left` and `right`.
  template <template <typename, typename> class Operator, typename Op>
  static const Node& binary(Runtime& runtime, Op op, const Expression& left,
                            const Expression& right) {
    return with_operand(runtime, left, [&](auto first) -> const Node& {
      return with_operand(runtime, right, [&](auto second) -> const Node& {
        return runtime.make_node<Operator<decltype(first), decltype(second)>>(op, std::move(first),
                                                                              std::move(second));
      });
    });
  }

  template <typename First, typename Second>
  class Arithmetic final : public Node {
   public:
    Arithmetic(BinaryOperator op, First left, Second right)
        : op_(op), left_(std::move(left)), right_(std::move(right)) {}
    bool run(Runtime& runtime, Value& out) const override {
      if constexpr (!First::kRunsCode && !Second::kRunsCode) {
        Value unused;
        return apply(runtime, *left_.read(runtime, unused), *right_.read(runtime, unused), out);
      } else {
        Value scratch[2];
        const Value* left = nullptr;
        const Value* right = nullptr;
        if (!read_pair(runtime, left_, right_, scratch, left, right)) return false;
        return apply(runtime, *left, *right, out);
      }
    }

   private:
    bool apply(Runtime& runtime, const Value& left, const Value& right, Value& out) const {
      std::int64_t result = 0;
      if (left.is(ValueKind::Integer) && right.is(ValueKind::Integer) &&
          integer_arithmetic(op_, left.as_integer(), right.as_integer(), result)) {
        out = Value::integer(result);
        return true;
      }
      return runtime.deliver(arithmetic(op_, left, right), out);
    }


   private:
    BinaryOperator op_;
    First left_;
    Second right_;
  };

  class Not final : public Node {
   public:
    explicit Not(const Node& operand) : operand_(operand) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value operand;
      if (!operand_.run(runtime, operand)) return false;
      out = Value::boolean(!is_truthy(operand));
      return true;
    }

   private:
    const Node& operand_;
  };

  template <typename First, typename Second>
  class Compare final : public Node {
   public:
    Compare(ComparisonOperator op, First left, Second right)
        : op_(op), left_(std::move(left)), right_(std::move(right)) {}
    bool run(Runtime& runtime, Value& out) const override {
      if constexpr (!First::kRunsCode && !Second::kRunsCode) {
        Value unused;
        out = Value::boolean(
            compare(op_, *left_.read(runtime, unused), *right_.read(runtime, unused)));
        return true;
      } else {
        Value scratch[2];
        const Value* left = nullptr;
        const Value* right = nullptr;
        if (!read_pair(runtime, left_, right_, scratch, left, right)) return false;
        out = Value::boolean(compare(op_, *left, *right));
        return true;
      }
    }

   private:
    ComparisonOperator op_;
    First left_;
    Second right_;
  };

  // `and` always yields yes or no; `or` yields one of its operands unchanged.
  class And final : public Node {
   public:
    And(const Node& left, const Node& right) : left_(left), right_(right) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value operand;
      if (!left_.run(runtime, operand)) return false;
      if (is_truthy(operand) && !right_.run(runtime, operand)) return false;
      out = Value::boolean(is_truthy(operand));
      return true;
    }

   private:
    const Node& left_;
    const Node& right_;
  };

  class Or final : public Node {
   public:
    Or(const Node& left, const Node& right) : left_(left), right_(right) {}
    bool run(Runtime& runtime, Value& out) const override {
      if (!left_.run(runtime, out)) return false;
      return is_truthy(out) || right_.run(runtime, out);
    }

   private:
    const Node& left_;
    const Node& right_;
  };

  // The left side's value is kept in the variable "_pipe" for the right side to read.
  class Pipe final : public Node {
   public:
    Pipe(std::uint32_t slot, const Node& left, const Node& right)
        : slot_(slot), left_(left), right_(right) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value left;
      if (!left_.run(runtime, left)) return false;
      runtime.set_slot(slot_, std::move(left));
      return right_.run(runtime, out);
    }

   private:
    std::uint32_t slot_;
    const Node& left_;
    const Node& right_;
  };

  // The numbers of a list added up as a decimal; 0 (an integer) for anything but a list.
  class Sum final : public Node {
   public:
    explicit Sum(const Node& collection) : collection_(collection) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value collection;
      if (!collection_.run(runtime, collection)) return false;
      if (!collection.is(ValueKind::List)) {
        out = Value::integer(0);
        return true;
      }
      double total = 0.0;
      for (const Value& element : collection.as_list()) {
        if (element.is(ValueKind::Integer) || element.is(ValueKind::Decimal)) {
          total += to_number(element);
        }
      }
      out = Value::decimal(total);
      return true;
    }

   private:
    const Node& collection_;
  };

  // An AI form: the runtime's own procedure for it evaluates the operands and asks the model.
  template <typename Form>
  class Ask final : public Node {
   public:
    explicit Ask(const Form& form) : form_(form) {}
    bool run(Runtime& runtime, Value& out) const override {
      return runtime.deliver(runtime.evaluate_ai(form_), out);
    }

   private:
    const Form& form_;
  };

  // One overload per kind of expression, so a new kind fails to compile until it has a node.
  struct Compiler {
    Runtime& runtime;

    const Node& operator()(const expr::Integer& e) const { return constant(Value::integer(e.value)); }
    const Node& operator()(const expr::Decimal& e) const { return constant(Value::decimal(e.value)); }
    const Node& operator()(const expr::Bool& e) const { return constant(Value::boolean(e.value)); }
    const Node& operator()(const expr::Nothing&) const { return constant(Value()); }
    const Node& operator()(const expr::StringLit& e) const {
      return runtime.make_node<Text>(runtime.make_plan(e.value));
    }
    // "now" and "today" are fixed texts whatever the variables hold.
    const Node& operator()(const expr::Identifier& e) const {
      if (e.name == "now") return constant(Value::text(std::string(kNow)));
      if (e.name == "today") return constant(Value::text(std::string(kToday)));
      return runtime.make_node<Variable>(runtime.slot_for(e.name));
    }
    const Node& operator()(const expr::List& e) const {
      return runtime.make_node<ListLiteral>(nodes(e.items));
    }
    const Node& operator()(const expr::Map& e) const {
      std::vector<std::pair<std::string, const Node*>> entries;
      entries.reserve(e.entries.size());
      for (const auto& [key, value] : e.entries) {
        entries.emplace_back(key, &runtime.node_for(value));
      }
      return runtime.make_node<MapLiteral>(std::move(entries));
    }
    const Node& operator()(const expr::MemberAccess& e) const {
      return runtime.make_node<Member>(runtime.node_for(*e.object), e.member);
    }
    const Node& operator()(const expr::FunctionCall& e) const {
      return runtime.make_node<Call>(e.callee, nodes(e.args));
    }
    const Node& operator()(const expr::BinaryOp& e) const {
      return binary<Arithmetic>(runtime, e.op, *e.left, *e.right);
    }
    const Node& operator()(const expr::UnaryNot& e) const {
      return runtime.make_node<Not>(runtime.node_for(*e.operand));
    }
    const Node& operator()(const expr::Comparison& e) const {
      return binary<Compare>(runtime, e.op, *e.left, *e.right);
    }
    const Node& operator()(const expr::LogicalAnd& e) const {
      return runtime.make_node<And>(runtime.node_for(*e.left), runtime.node_for(*e.right));
    }
    const Node& operator()(const expr::LogicalOr& e) const {
      return runtime.make_node<Or>(runtime.node_for(*e.left), runtime.node_for(*e.right));
    }
    const Node& operator()(const expr::Pipe& e) const {
      return runtime.make_node<Pipe>(runtime.slot_for(kPipeVariable), runtime.node_for(*e.left),
                                     runtime.node_for(*e.right));
    }
    const Node& operator()(const expr::SumOf& e) const {
      return runtime.make_node<Sum>(runtime.node_for(*e.collection));
    }
    const Node& operator()(const Box<ReasonExpr>& e) const { return ask(*e); }
    const Node& operator()(const expr::SenseExpr& e) const { return ask(e); }
    const Node& operator()(const expr::TranslateExpr& e) const { return ask(e); }
    const Node& operator()(const expr::SummarizeExpr& e) const { return ask(e); }
    const Node& operator()(const expr::DebateExpr& e) const { return ask(e); }
    const Node& operator()(const expr::BlendExpr& e) const { return ask(e); }
    const Node& operator()(const expr::ImagineExpr& e) const { return ask(e); }
    const Node& operator()(const expr::RethinkExpr& e) const { return ask(e); }
    const Node& operator()(const expr::CompareExpr& e) const { return ask(e); }

    const Node& constant(Value value) const { return runtime.make_node<Constant>(std::move(value)); }
    template <typename Form>
    const Node& ask(const Form& form) const {
      return runtime.make_node<Ask<Form>>(form);
    }
    std::vector<const Node*> nodes(const std::vector<Expression>& expressions) const {
      std::vector<const Node*> made;
      made.reserve(expressions.size());
      for (const Expression& expression : expressions) made.push_back(&runtime.node_for(expression));
      return made;
    }
  };
};

const CompiledNode& Runtime::compile(const Expression& expression) {
  return std::visit(ExpressionNodes::Compiler{*this}, expression.node);
}

// A literal is read once: placeholders "{name}" and "{base.member}" (only the first two
// parts of a dotted name count), and an unclosed "{name" at the end.
InterpolationPlan Runtime::make_plan(std::string_view text) {
  InterpolationPlan plan;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t open = text.find('{', start);
    if (open == std::string_view::npos) {
      plan.pieces.push_back({std::string(text.substr(start)), false, 0, {}, false});
      break;
    }
    if (open > start) {
      plan.pieces.push_back({std::string(text.substr(start, open - start)), false, 0, {}, false});
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
    plan.pieces.push_back(std::move(piece));
    start = end + 1;
  }
  // Room for the plain text and a short value per placeholder, so that most texts are built
  // without growing.
  constexpr std::size_t kPlaceholderGuess = 8;
  for (const InterpolationPlan::Piece& piece : plan.pieces) {
    plan.expected_size += piece.is_placeholder ? kPlaceholderGuess : piece.text.size();
  }
  return plan;
}

// Placeholders are replaced by display texts; whatever does not resolve is written back as it
// was, braces included (so an unclosed "{name" at the end gains its brace).
std::string Runtime::interpolate(const InterpolationPlan& plan) const {
  std::string out;
  out.reserve(plan.expected_size);
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
      Value computed;
      if (const Value* member = find_member(value, piece.member, computed)) {
        append_display(out, *member);
        continue;
      }
    }
    out.append("{").append(piece.text).append("}");
  }
  return out;
}

}  // namespace pellix
