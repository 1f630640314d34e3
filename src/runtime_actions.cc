// The statements that change data or speak to the outside world: variables and lists, the
// records kept in memory, the memory statements, messages, simulated API calls and agent jobs.
// In pretend mode the outward ones only say what they would do.
#include <ostream>
#include <string>
#include <utility>

#include "runtime.h"

namespace pellix {
namespace {

constexpr std::string_view kUndone = "  undo: reversed last action\n";
constexpr std::string_view kDefaultLogLevel = "info";

}  // namespace

Result<Value> Runtime::execute(const stmt::Remember& remember) {
  PX_TRY(Value what, evaluate(remember.what));
  std::string text = display(what);
  out_ << "  remembered: " << text << '\n';
  memory.remember(std::move(text), remember.about, remember.as_name);
  return Value();
}

Result<Value> Runtime::execute(const stmt::Recall& recall) {
  std::optional<std::string_view> about;
  if (recall.about) about = *recall.about;
  std::vector<Fact> facts = memory.recall(recall.what, about);
  if (facts.empty()) return Value();
  if (facts.size() == 1) return Value::text(std::move(facts.front().content));
  std::vector<Value> texts;
  texts.reserve(facts.size());
  for (Fact& fact : facts) texts.push_back(Value::text(std::move(fact.content)));
  return Value::list(std::move(texts));
}

Result<Value> Runtime::execute(const stmt::Forget& forget) {
  std::optional<std::string_view> about;
  if (forget.about) about = *forget.about;
  memory.forget(forget.what, about);
  return Value();
}

Result<Value> Runtime::execute(const stmt::Teach& teach) {
  out_ << "  taught: " << teach.lesson << '\n';
  return Value();
}

Result<Value> Runtime::execute(const stmt::Narrate& narrate) {
  PX_TRY(Value message, evaluate(narrate.message));
  out_ << "  > " << display(message) << '\n';
  return Value();
}

Result<Value> Runtime::execute(const stmt::Log& log) {
  PX_TRY(Value message, evaluate(log.message));
  out_ << "  [" << (log.level ? std::string_view(*log.level) : kDefaultLogLevel) << "] "
       << display(message) << '\n';
  return Value();
}

Result<Value> Runtime::execute(const stmt::Flag& flag) {
  PX_TRY(Value target, evaluate(flag.target));
  out_ << "  flagged " << display(target) << " as \"" << flag.label << "\"\n";
  return Value();
}

Result<Value> Runtime::execute(const stmt::Notify& notify) {
  PX_TRY(Value message, evaluate(notify.message));
  out_ << "  notified " << notify.target << ": " << display(message) << '\n';
  return Value();
}

Result<Value> Runtime::execute(const stmt::Undo&) {
  out_ << kUndone;
  return Value();
}

// Nothing is delivered; the body is evaluated in both modes, so its errors still count.
Result<Value> Runtime::execute(const stmt::Send& send) {
  const SendExpr& message = send.send;
  PX_TRY(Value to, evaluate(message.to));
  PX_TRY(Value body, evaluate(message.body));
  if (pretend) {
    out_ << "  [pretend] would send " << message.channel << " to " << display(to) << '\n';
  } else {
    out_ << "  sent " << message.channel << " to " << display(to) << ": " << display(body) << '\n';
  }
  return Value::boolean(true);
}

// No request is made: the call is announced with the address it would use.
Result<Value> Runtime::execute(const stmt::CallApi& call) {
  const CallApiExpr& api = call.call;
  if (pretend) {
    out_ << "  [pretend] would call api \"" << api.service << "\"\n";
    return Value();
  }
  std::string url = api.service;
  for (const auto& [name, expression] : api.fields) {
    PX_TRY(Value value, evaluate(expression));
    if (name == "path") url += display(value);
  }
  out_ << "  calling api: " << url << '\n';
  return Value::text("api_response_from_" + api.service);
}

// An agent's job, or when that fails for any reason, the flow of the job's name.
Result<Value> Runtime::execute(const stmt::Run& run) {
  std::vector<Value> args;
  args.reserve(run.args.size());
  for (const Expression& arg : run.args) {
    PX_TRY(Value value, evaluate(arg));
    args.push_back(std::move(value));
  }
  const std::string key = run.agent + "." + run.job;
  Result<Value> result = run_job(key, args);
  if (result) {
    out_ << "  ran " << key << '\n';
    return result;
  }
  return run_flow(run.job, std::move(args));
}

Result<Value> Runtime::execute(const stmt::Create& create) {
  const CreateExpr& record = create.create;
  Map fields;
  for (const auto& [name, expression] : record.fields) {
    PX_TRY(Value value, evaluate(expression));
    fields.set(name, std::move(value));
  }
  if (pretend) {
    out_ << "  [pretend] would create " << record.record_type << " with " << fields.size()
         << " fields\n";
  } else {
    if (const auto rows = record_store_.find(record.record_type); rows != record_store_.end()) {
      rows->second.push_back(fields);
    }
    out_ << "  created " << record.record_type << " record\n";
  }
  return Value::map(std::move(fields));
}

// Changes a map held in a variable, never the stored rows.
Result<Value> Runtime::execute(const stmt::Update& update) {
  const UpdateExpr& changes = update.update;
  for (const auto& [field, expression] : changes.changes) {
    PX_TRY(Value value, evaluate(expression));
    const std::string shown = display(value);
    if (pretend) {
      out_ << "  [pretend] would change " << changes.target << "." << field << " to " << shown
           << '\n';
      continue;
    }
    if (Value* target = variable_for_update(slot_for(changes.target));
        target != nullptr && target->is(ValueKind::Map)) {
      target->set_entry(field, std::move(value));
    }
    out_ << "  updated " << changes.target << "." << field << " = " << shown << '\n';
  }
  return Value();
}

// The condition is evaluated once and every row of the type goes.
Result<Value> Runtime::execute(const stmt::Delete& deletion) {
  const DeleteExpr& rows = deletion.deletion;
  PX_TRY(Value condition, evaluate(rows.condition));
  if (pretend) {
    out_ << "  [pretend] would delete " << rows.record_type << " where " << display(condition)
         << '\n';
    return Value();
  }
  if (const auto stored = record_store_.find(rows.record_type); stored != record_store_.end()) {
    out_ << "  deleted " << stored->second.size() << " record(s) from " << rows.record_type << '\n';
    stored->second.clear();
  }
  return Value();
}

}  // namespace pellix
