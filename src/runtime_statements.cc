// Statement lists and the statements that steer execution: conditions, matching, loops,
// early exit, recovery and checks.
#include <string>
#include <utility>
#include <variant>

#include "runtime_nodes.h"
#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kPreconditionFailed = "precondition failed";
constexpr std::string_view kStopped = "stopped";
constexpr std::string_view kAssumptionFailed = "  assumption failed \u2014 running recovery\n";
constexpr std::string_view kPretendBanner = "  [pretend mode \u2014 no real actions]\n";
constexpr std::string_view kCheckPassed = "  checked: passed\n";

// Whether a confidence falls in the named level; the boundaries belong to the lower level.
bool level_matches(std::string_view level, double confidence) {
  if (level == "certain") return confidence > 0.95;
  if (level == "confident") return confidence > 0.8 && confidence <= 0.95;
  if (level == "probable") return confidence > 0.6 && confidence <= 0.8;
  if (level == "uncertain") return confidence > 0.4 && confidence <= 0.6;
  if (level == "doubtful") return confidence <= 0.4;
  return false;
}

double confidence_of(const Value& value) {
  return value.is(ValueKind::AiResult) ? value.as_ai_result().confidence : 1.0;
}

bool is_otherwise(const Expression& pattern) {
  const auto* identifier = std::get_if<expr::Identifier>(&pattern.node);
  return identifier != nullptr && identifier->name == "otherwise";
}

bool has_field(const Value& value, std::string_view field) {
  const Value* map = &value;
  if (value.is(ValueKind::AiResult)) map = &value.as_ai_result().value;
  return map->is(ValueKind::Map) && map->as_map().find(field) != nullptr;
}

// Restores the pretend flag when a pretend block ends, also when its body fails.
class PretendScope {
 public:
  explicit PretendScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  PretendScope(const PretendScope&) = delete;
  PretendScope& operator=(const PretendScope&) = delete;
  ~PretendScope() { flag_ = saved_; }

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

// One node class per kind of statement that steers execution or changes variables; the
// actions on records, memory and the outside world run through the runtime's own procedures.
struct Runtime::StatementNodes {
  using Node = CompiledNode;

  class Assign final : public Node {
   public:
    Assign(std::uint32_t slot, const Node& value) : slot_(slot), value_(value) {}
    bool run(Runtime& runtime, Value& out) const override {
      if (!value_.run(runtime, out)) return false;
      runtime.set_slot(slot_, out);
      return true;
    }

   private:
    std::uint32_t slot_;
    const Node& value_;
  };

  // Sets a variable, or one entry of a map held in a variable (nothing happens when the
  // variable holds no map).
  class Change final : public Node {
   public:
    Change(std::uint32_t slot, const std::optional<std::string>& field, const Node& value)
        : slot_(slot), field_(field), value_(value) {}
    bool run(Runtime& runtime, Value& out) const override {
      if (!value_.run(runtime, out)) return false;
      if (!field_) {
        runtime.set_slot(slot_, out);
      } else if (Value* target = runtime.variable_for_update(slot_);
                 target != nullptr && target->is(ValueKind::Map)) {
        target->set_entry(*field_, out);
      }
      return true;
    }

   private:
    std::uint32_t slot_;
    const std::optional<std::string>& field_;
    const Node& value_;
  };

  // Appends to a list held in a variable; nothing happens when it holds no list.
  class Add final : public Node {
   public:
    Add(std::uint32_t slot, const Node& item) : slot_(slot), item_(item) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value item;
      if (!item_.run(runtime, item)) return false;
      Value* list = runtime.variable_for_update(slot_);
      if (list != nullptr && list->is(ValueKind::List)) list->append(std::move(item));
      out = Value();
      return true;
    }

   private:
    std::uint32_t slot_;
    const Node& item_;
  };

  // Elements go when their display text equals the item's, so 1 and "1" both go.
  class Remove final : public Node {
   public:
    Remove(std::uint32_t slot, const Node& item) : slot_(slot), item_(item) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value item;
      if (!item_.run(runtime, item)) return false;
      Value* list = runtime.variable_for_update(slot_);
      if (list != nullptr && list->is(ValueKind::List)) {
        const std::string text = display(item);
        list->remove_elements_if([&](const Value& element) { return display(element) == text; });
      }
      out = Value();
      return true;
    }

   private:
    std::uint32_t slot_;
    const Node& item_;
  };

  class If final : public Node {
   public:
    struct Branch {
      const Node* condition;
      const Node* body;
    };
    If(std::vector<Branch> branches, const Node& otherwise)
        : branches_(std::move(branches)), otherwise_(otherwise) {}
    bool run(Runtime& runtime, Value& out) const override {
      for (const Branch& branch : branches_) {
        Value condition;
        if (!branch.condition->run(runtime, condition)) return false;
        if (is_truthy(condition)) return branch.body->run(runtime, out);
      }
      return otherwise_.run(runtime, out);
    }

   private:
    std::vector<Branch> branches_;  // the `if` and every `else if`, in order
    const Node& otherwise_;
  };

  // Every pattern up to the matching one is evaluated; "otherwise" matches anything.
  class Match final : public Node {
   public:
    struct Arm {
      const Node* pattern;
      bool is_otherwise;
      const Node* body;
    };
    Match(const Node& subject, std::vector<Arm> arms) : subject_(subject), arms_(std::move(arms)) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value subject;
      if (!subject_.run(runtime, subject)) return false;
      for (const Arm& arm : arms_) {
        Value pattern;
        if (!arm.pattern->run(runtime, pattern)) return false;
        if (equals(subject, pattern) || arm.is_otherwise) return arm.body->run(runtime, out);
      }
      out = Value();
      return true;
    }

   private:
    const Node& subject_;
    std::vector<Arm> arms_;
  };

  class ConfidenceMatch final : public Node {
   public:
    struct Arm {
      const std::string* level;
      const Node* body;
    };
    ConfidenceMatch(const Node& subject, std::vector<Arm> arms)
        : subject_(subject), arms_(std::move(arms)) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value subject;
      if (!subject_.run(runtime, subject)) return false;
      const double confidence = confidence_of(subject);
      for (const Arm& arm : arms_) {
        if (level_matches(*arm.level, confidence)) return arm.body->run(runtime, out);
      }
      out = Value();
      return true;
    }

   private:
    const Node& subject_;
    std::vector<Arm> arms_;
  };

  // The elements are those of the list when the loop starts; the item variable keeps the last.
  class ForEach final : public Node {
   public:
    ForEach(std::uint32_t slot, const Node& collection, const Node* filter, const Node& body)
        : slot_(slot), collection_(collection), filter_(filter), body_(body) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value collection;
      if (!collection_.run(runtime, collection)) return false;
      out = Value();
      if (!collection.is(ValueKind::List)) return true;
      Value scratch;
      for (const Value& element : collection.as_list()) {
        if (!runtime.take_step()) return false;
        runtime.set_slot(slot_, element);
        if (filter_ != nullptr) {
          if (!filter_->run(runtime, scratch)) return false;
          if (!is_truthy(scratch)) continue;
        }
        if (!body_.run(runtime, scratch)) return false;
      }
      return true;
    }

   private:
    std::uint32_t slot_;
    const Node& collection_;
    const Node* filter_;
    const Node& body_;
  };

  // Only a count repeats; the other forms of the loop do nothing.
  class Repeat final : public Node {
   public:
    Repeat(const Node* count, const Node& body) : count_(count), body_(body) {}
    bool run(Runtime& runtime, Value& out) const override {
      out = Value();
      if (count_ == nullptr) return true;
      Value count;
      if (!count_->run(runtime, count)) return false;
      if (!count.is(ValueKind::Integer)) return true;
      Value scratch;
      for (std::int64_t i = 0; i < count.as_integer(); ++i) {
        if (!runtime.take_step() || !body_.run(runtime, scratch)) return false;
      }
      return true;
    }

   private:
    const Node* count_;
    const Node& body_;
  };

  class Need final : public Node {
   public:
    Need(const Node& condition, const std::optional<std::string>& otherwise)
        : condition_(condition), otherwise_(otherwise) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value condition;
      if (!condition_.run(runtime, condition)) return false;
      if (!is_truthy(condition)) {
        return runtime.fail_with(otherwise_ ? *otherwise_ : std::string(kPreconditionFailed));
      }
      out = Value();
      return true;
    }

   private:
    const Node& condition_;
    const std::optional<std::string>& otherwise_;
  };

  class Try final : public Node {
   public:
    Try(const Node& body, const Node& on_fail) : body_(body), on_fail_(on_fail) {}
    bool run(Runtime& runtime, Value& out) const override {
      return body_.run(runtime, out) || on_fail_.run(runtime, out);
    }

   private:
    const Node& body_;
    const Node& on_fail_;
  };

  class Assume final : public Node {
   public:
    Assume(const Node& condition, const Node& but_if_wrong)
        : condition_(condition), but_if_wrong_(but_if_wrong) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value condition;
      if (!condition_.run(runtime, condition)) return false;
      if (!is_truthy(condition)) {
        runtime.out() << kAssumptionFailed;
        if (!but_if_wrong_.run(runtime, condition)) return false;
      }
      out = Value();
      return true;
    }

   private:
    const Node& condition_;
    const Node& but_if_wrong_;
  };

  class Pretend final : public Node {
   public:
    explicit Pretend(const Node& body) : body_(body) {}
    bool run(Runtime& runtime, Value& out) const override {
      PretendScope scope(runtime.pretend);
      runtime.out() << kPretendBanner;
      return body_.run(runtime, out);
    }

   private:
    const Node& body_;
  };

  class Stop final : public Node {
   public:
    bool run(Runtime& runtime, Value&) const override {
      return runtime.fail_with(std::string(kStopped));
    }
  };

  // Every condition is examined, also after one fails; the value is whether all held.
  class Check final : public Node {
   public:
    Check(const CheckExpr& check, const Node& target, std::vector<const Node*> custom,
          const Node& otherwise)
        : check_(check), target_(target), custom_(std::move(custom)), otherwise_(otherwise) {}
    bool run(Runtime& runtime, Value& out) const override {
      Value target;
      if (!target_.run(runtime, target)) return false;
      bool passed = true;
      for (std::size_t i = 0; i < check_.conditions.size(); ++i) {
        bool held = false;
        if (!holds(runtime, i, target, held)) return false;
        passed = passed && held;
      }
      if (passed) {
        runtime.out() << kCheckPassed;
      } else if (!otherwise_.run(runtime, out)) {
        return false;
      }
      if (!check_.prove_with.empty()) {
        std::string proof = "  proof: ";
        for (std::size_t i = 0; i < check_.prove_with.size(); ++i) {
          if (i > 0) proof += ", ";
          proof += check_.prove_with[i];
        }
        runtime.out() << proof << '\n';
      }
      out = Value::boolean(passed);
      return true;
    }

   private:
    bool holds(Runtime& runtime, std::size_t index, const Value& target, bool& held) const {
      const CheckCondition& condition = check_.conditions[index];
      if (const auto* field = std::get_if<check::HasField>(&condition.node)) {
        held = has_field(target, field->field);
        if (!held) runtime.out() << "  check failed: missing field \"" << field->field << "\"\n";
        return true;
      }
      if (const auto* above = std::get_if<check::ConfidenceAbove>(&condition.node)) {
        const double confidence = confidence_of(target);
        held = confidence > above->threshold;
        if (!held) {
          runtime.out() << "  check failed: confidence " << format_confidence(confidence)
                        << " is not above " << format_confidence(above->threshold) << '\n';
        }
        return true;
      }
      Value value;
      if (!custom_[index]->run(runtime, value)) return false;
      held = is_truthy(value);
      if (!held) runtime.out() << "  check failed: condition not met\n";
      return true;
    }

    const CheckExpr& check_;
    const Node& target_;
    std::vector<const Node*> custom_;  // per condition: the compiled custom condition, or null
    const Node& otherwise_;
  };

  // The actions on records, memory, messages and jobs, each run by the runtime's procedure.
  template <typename Statement>
  class Action final : public Node {
   public:
    explicit Action(const Statement& statement) : statement_(statement) {}
    bool run(Runtime& runtime, Value& out) const override {
      return runtime.deliver(runtime.execute(statement_), out);
    }

   private:
    const Statement& statement_;
  };

  // One overload per kind of statement, so a new kind fails to compile until it has a node.
  struct Compiler {
    Runtime& runtime;

    const Node& operator()(const stmt::Assignment& s) const {
      return runtime.make_node<Assign>(runtime.slot_for(s.name), runtime.node_for(s.value));
    }
    const Node& operator()(const stmt::Change& s) const {
      return runtime.make_node<Change>(runtime.slot_for(s.target), s.field,
                                       runtime.node_for(s.value));
    }
    const Node& operator()(const stmt::Add& s) const {
      return runtime.make_node<Add>(runtime.slot_for(s.to), runtime.node_for(s.item));
    }
    const Node& operator()(const stmt::Remove& s) const {
      return runtime.make_node<Remove>(runtime.slot_for(s.from), runtime.node_for(s.item));
    }
    const Node& operator()(const stmt::If& s) const {
      std::vector<If::Branch> branches;
      branches.reserve(1 + s.else_ifs.size());
      branches.push_back({&runtime.node_for(s.condition), &runtime.compile_block(s.then_body)});
      for (const auto& [condition, body] : s.else_ifs) {
        branches.push_back({&runtime.node_for(condition), &runtime.compile_block(body)});
      }
      return runtime.make_node<If>(std::move(branches), runtime.compile_block(s.else_body));
    }
    const Node& operator()(const stmt::Match& s) const {
      std::vector<Match::Arm> arms;
      arms.reserve(s.arms.size());
      for (const MatchArm& arm : s.arms) {
        arms.push_back({&runtime.node_for(arm.pattern), is_otherwise(arm.pattern),
                        &runtime.compile_block(arm.body)});
      }
      return runtime.make_node<Match>(runtime.node_for(s.expression), std::move(arms));
    }
    const Node& operator()(const stmt::ConfidenceMatch& s) const {
      std::vector<ConfidenceMatch::Arm> arms;
      arms.reserve(s.arms.size());
      for (const ConfidenceArm& arm : s.arms) {
        arms.push_back({&arm.level, &runtime.compile_block(arm.body)});
      }
      return runtime.make_node<ConfidenceMatch>(runtime.node_for(s.expression), std::move(arms));
    }
    const Node& operator()(const stmt::ForEach& s) const {
      const Node* filter = s.filter ? &runtime.node_for(*s.filter) : nullptr;
      return runtime.make_node<ForEach>(runtime.slot_for(s.item), runtime.node_for(s.collection),
                                        filter, runtime.compile_block(s.body));
    }
    const Node& operator()(const stmt::Repeat& s) const {
      const Node* count = s.count ? &runtime.node_for(*s.count) : nullptr;
      return runtime.make_node<Repeat>(count, runtime.compile_block(s.body));
    }
    // The list a `return` stands in ends after it, so it is its value's node.
    const Node& operator()(const stmt::Return& s) const { return runtime.node_for(s.value); }
    const Node& operator()(const stmt::Need& s) const {
      return runtime.make_node<Need>(runtime.node_for(s.condition), s.otherwise);
    }
    const Node& operator()(const stmt::Try& s) const {
      return runtime.make_node<Try>(runtime.compile_block(s.body), runtime.compile_block(s.on_fail));
    }
    const Node& operator()(const stmt::Assume& s) const {
      return runtime.make_node<Assume>(runtime.node_for(s.condition),
                                       runtime.compile_block(s.but_if_wrong));
    }
    const Node& operator()(const stmt::Pretend& s) const {
      return runtime.make_node<Pretend>(runtime.compile_block(s.body));
    }
    const Node& operator()(const stmt::Together& s) const { return runtime.compile_block(s.body); }
    const Node& operator()(const stmt::Stop&) const { return runtime.make_node<Stop>(); }
    const Node& operator()(const stmt::Check& s) const {
      const CheckExpr& check = s.check;
      std::vector<const Node*> custom;
      custom.reserve(check.conditions.size());
      for (const CheckCondition& condition : check.conditions) {
        const auto* own = std::get_if<check::Custom>(&condition.node);
        custom.push_back(own != nullptr ? &runtime.node_for(own->condition) : nullptr);
      }
      return runtime.make_node<Check>(check, runtime.node_for(check.target), std::move(custom),
                                      runtime.compile_block(check.otherwise));
    }
    const Node& operator()(const stmt::ExprStatement& s) const {
      return runtime.node_for(s.expression);
    }

    const Node& operator()(const stmt::Remember& s) const { return action(s); }
    const Node& operator()(const stmt::Recall& s) const { return action(s); }
    const Node& operator()(const stmt::Forget& s) const { return action(s); }
    const Node& operator()(const stmt::Teach& s) const { return action(s); }
    const Node& operator()(const stmt::Narrate& s) const { return action(s); }
    const Node& operator()(const stmt::Log& s) const { return action(s); }
    const Node& operator()(const stmt::Flag& s) const { return action(s); }
    const Node& operator()(const stmt::Notify& s) const { return action(s); }
    const Node& operator()(const stmt::Send& s) const { return action(s); }
    const Node& operator()(const stmt::CallApi& s) const { return action(s); }
    const Node& operator()(const stmt::Run& s) const { return action(s); }
    const Node& operator()(const stmt::Create& s) const { return action(s); }
    const Node& operator()(const stmt::Update& s) const { return action(s); }
    const Node& operator()(const stmt::Delete& s) const { return action(s); }
    const Node& operator()(const stmt::Undo& s) const { return action(s); }

    template <typename Statement>
    const Node& action(const Statement& statement) const {
      return runtime.make_node<Action<Statement>>(statement);
    }
  };
};

const CompiledNode& Runtime::compile(const Statement& statement) {
  return std::visit(StatementNodes::Compiler{*this}, statement.node);
}

// A `return` ends only the list it stands in directly, so the statements after it are left out.
// A list of one statement is that statement's node.
const CompiledNode& Runtime::compile_block(const Body& body) {
  std::vector<const CompiledNode*> statements;
  statements.reserve(body.size());
  for (const Statement& statement : body) {
    statements.push_back(&node_for(statement));
    if (std::holds_alternative<stmt::Return>(statement.node)) break;
  }
  if (statements.size() == 1) return *statements.front();
  return make_node<BlockNode>(std::move(statements));
}

}  // namespace pellix
