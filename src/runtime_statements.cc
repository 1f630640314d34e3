// Statement lists and the statements that steer execution: conditions, matching, loops,
// early exit, recovery and checks.
#include <string>
#include <utility>
#include <variant>

#include "runtime.h"
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

// One overload per kind of statement, so a new kind fails to compile until it is handled.
struct StatementExecutor {
  Runtime& runtime;

  Result<Value> operator()(const stmt::Assignment& s) const {
    PX_TRY(Value value, runtime.evaluate(s.value));
    if (s.slot == kNoSlot) s.slot = runtime.slot_for(s.name);
    runtime.set_slot(s.slot, value);
    return value;
  }
  Result<Value> operator()(const stmt::If& s) const {
    PX_TRY(Value condition, runtime.evaluate(s.condition));
    if (is_truthy(condition)) return runtime.execute_block(s.then_body);
    for (const auto& [else_condition, body] : s.else_ifs) {
      PX_TRY(Value value, runtime.evaluate(else_condition));
      if (is_truthy(value)) return runtime.execute_block(body);
    }
    return runtime.execute_block(s.else_body);
  }
  Result<Value> operator()(const stmt::Match& s) const {
    PX_TRY(Value subject, runtime.evaluate(s.expression));
    for (const MatchArm& arm : s.arms) {
      PX_TRY(Value pattern, runtime.evaluate(arm.pattern));
      if (equals(subject, pattern) || is_otherwise(arm.pattern)) {
        return runtime.execute_block(arm.body);
      }
    }
    return Value();
  }
  Result<Value> operator()(const stmt::ConfidenceMatch& s) const {
    PX_TRY(Value subject, runtime.evaluate(s.expression));
    const double confidence = confidence_of(subject);
    for (const ConfidenceArm& arm : s.arms) {
      if (level_matches(arm.level, confidence)) return runtime.execute_block(arm.body);
    }
    return Value();
  }
  // The elements are those of the list when the loop starts; the item variable keeps the last.
  Result<Value> operator()(const stmt::ForEach& s) const {
    PX_TRY(const Value collection, runtime.evaluate(s.collection));
    if (!collection.is(ValueKind::List)) return Value();
    if (s.slot == kNoSlot) s.slot = runtime.slot_for(s.item);
    for (const Value& element : collection.as_list()) {
      runtime.set_slot(s.slot, element);
      if (s.filter) {
        PX_TRY(Value keep, runtime.evaluate(*s.filter));
        if (!is_truthy(keep)) continue;
      }
      PX_CHECK(runtime.execute_block(s.body));
    }
    return Value();
  }
  Result<Value> operator()(const stmt::Repeat& s) const {
    if (!s.count) return Value();
    PX_TRY(Value count, runtime.evaluate(*s.count));
    if (!count.is(ValueKind::Integer)) return Value();
    for (std::int64_t i = 0; i < count.as_integer(); ++i) PX_CHECK(runtime.execute_block(s.body));
    return Value();
  }
  Result<Value> operator()(const stmt::Return& s) const { return runtime.evaluate(s.value); }
  Result<Value> operator()(const stmt::Need& s) const {
    PX_TRY(Value condition, runtime.evaluate(s.condition));
    if (is_truthy(condition)) return Value();
    return fail(s.otherwise ? *s.otherwise : std::string(kPreconditionFailed));
  }
  Result<Value> operator()(const stmt::Try& s) const {
    Result<Value> result = runtime.execute_block(s.body);
    if (result) return result;
    return runtime.execute_block(s.on_fail);
  }
  Result<Value> operator()(const stmt::Assume& s) const {
    PX_TRY(Value condition, runtime.evaluate(s.condition));
    if (!is_truthy(condition)) {
      runtime.out() << kAssumptionFailed;
      PX_CHECK(runtime.execute_block(s.but_if_wrong));
    }
    return Value();
  }
  Result<Value> operator()(const stmt::Pretend& s) const {
    PretendScope scope(runtime.pretend);
    runtime.out() << kPretendBanner;
    return runtime.execute_block(s.body);
  }
  Result<Value> operator()(const stmt::Together& s) const { return runtime.execute_block(s.body); }
  Result<Value> operator()(const stmt::Stop&) const { return fail(std::string(kStopped)); }
  Result<Value> operator()(const stmt::Check& s) const { return check(s.check); }
  Result<Value> operator()(const stmt::ExprStatement& s) const {
    return runtime.evaluate(s.expression);
  }

  // The actions on data and the outside world.
  Result<Value> operator()(const stmt::Change& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Remember& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Recall& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Forget& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Teach& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Narrate& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Log& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Flag& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Notify& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Send& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::CallApi& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Run& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Create& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Update& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Delete& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Add& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Remove& s) const { return runtime.execute(s); }
  Result<Value> operator()(const stmt::Undo& s) const { return runtime.execute(s); }

  // Every condition is examined, also after one fails; the result is whether all held.
  Result<Value> check(const CheckExpr& check) const {
    PX_TRY(Value target, runtime.evaluate(check.target));
    bool passed = true;
    for (const CheckCondition& condition : check.conditions) {
      PX_TRY(bool held, holds(condition, target));
      passed = passed && held;
    }
    if (passed) {
      runtime.out() << kCheckPassed;
    } else if (!check.otherwise.empty()) {
      PX_CHECK(runtime.execute_block(check.otherwise));
    }
    if (!check.prove_with.empty()) {
      std::string proof = "  proof: ";
      for (std::size_t i = 0; i < check.prove_with.size(); ++i) {
        if (i > 0) proof += ", ";
        proof += check.prove_with[i];
      }
      runtime.out() << proof << '\n';
    }
    return Value::boolean(passed);
  }

  Result<bool> holds(const CheckCondition& condition, const Value& target) const {
    if (const auto* field = std::get_if<check::HasField>(&condition.node)) {
      if (has_field(target, field->field)) return true;
      runtime.out() << "  check failed: missing field \"" << field->field << "\"\n";
      return false;
    }
    if (const auto* above = std::get_if<check::ConfidenceAbove>(&condition.node)) {
      const double confidence = confidence_of(target);
      if (confidence > above->threshold) return true;
      runtime.out() << "  check failed: confidence " << format_confidence(confidence)
                    << " is not above " << format_confidence(above->threshold) << '\n';
      return false;
    }
    const auto& custom = std::get<check::Custom>(condition.node);
    PX_TRY(Value value, runtime.evaluate(custom.condition));
    if (is_truthy(value)) return true;
    runtime.out() << "  check failed: condition not met\n";
    return false;
  }
};

// A `return` ends only the list it stands in directly; its value is the list's result.
Result<Value> Runtime::execute_block(const Body& body) {
  Value result;
  for (const Statement& statement : body) {
    PX_TRY(result, execute_statement(statement));
    if (std::holds_alternative<stmt::Return>(statement.node)) break;
  }
  return result;
}

Result<Value> Runtime::execute_statement(const Statement& statement) {
  return std::visit(StatementExecutor{*this}, statement.node);
}

}  // namespace pellix
