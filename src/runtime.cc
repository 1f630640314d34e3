// The runtime's tables, loading, the three entry points and the variable table.
#include "runtime.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <variant>

#include "runtime_nodes.h"

namespace pellix {
namespace {

constexpr std::string_view kCallDepthExceeded = "call depth limit exceeded";

// The stack the runtime allows itself: half of the thread's limit, at most 4 MiB, so that the
// rest of the process keeps its share whatever the build's frame sizes.
std::size_t stack_budget() {
  constexpr std::size_t kMaxBudget = std::size_t{4} << 20;
  rlimit limit{};
  if (::getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return kMaxBudget;
  }
  return std::min(kMaxBudget, static_cast<std::size_t>(limit.rlim_cur) / 2);
}

// Marks the caches a runtime fills in trees; 0 is never handed out, so an empty cache never
// matches.
std::uint64_t next_runtime_id() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

std::string not_found(std::string_view kind, std::string_view name) {
  std::string message(kind);
  message.append(" \"").append(name).append("\" not found");
  return message;
}

}  // namespace

Runtime::Runtime(std::ostream& out) : out_(out), ai_caller_(call_ai), id_(next_runtime_id()) {
  const char here = 0;
  stack_base_ = &here;
  stack_budget_ = stack_budget();
}

Runtime::~Runtime() = default;

std::optional<std::uint32_t> Runtime::Table::find(std::string_view name) const {
  const auto found = index_.find(name);
  if (found == index_.end()) return std::nullopt;
  return found->second;
}

void Runtime::Table::set(const std::string& name, std::shared_ptr<const Callable> callable) {
  if (const auto found = index_.find(name); found != index_.end()) {
    entries_[found->second] = std::move(callable);
    return;
  }
  index_.emplace(name, static_cast<std::uint32_t>(entries_.size()));
  entries_.push_back(std::move(callable));
}

std::shared_ptr<const Runtime::Callable> Runtime::make_callable(const std::vector<Param>& params,
                                                                const Body& body) {
  auto callable = std::make_shared<Callable>(Callable{params, {}, body, nullptr});
  for (const Param& param : params) callable->param_slots.push_back(slot_for(param.name));
  callable->block = &compile_block(callable->body);
  return callable;
}

void Runtime::load(const Program& program) {
  for (const Declaration& declaration : program.declarations) {
    if (const auto* record = std::get_if<RecordDecl>(&declaration.node)) {
      record_store_[record->name].clear();
    } else if (const auto* agent = std::get_if<AgentDecl>(&declaration.node)) {
      if (agent->model && !ai_config) ai_config = AiConfig::from_env(*agent->model);
      for (const JobDecl& job : agent->jobs) {
        jobs_.set(agent->name + "." + job.name, make_callable(job.params, job.body));
      }
    } else if (const auto* function = std::get_if<FunctionDecl>(&declaration.node)) {
      functions_.set(function->name, make_callable(function->params, function->body));
    } else if (const auto* job = std::get_if<JobDecl>(&declaration.node)) {
      jobs_.set(job->name, make_callable(job->params, job->body));
    } else if (const auto* flow = std::get_if<FlowDecl>(&declaration.node)) {
      flows_.set(flow->name, make_callable(flow->params, flow->body));
    }
  }
}

Result<Value> Runtime::run_flow(std::string_view name, std::vector<Value> args) {
  return run(flows_, "flow", name, std::move(args));
}

Result<Value> Runtime::run_job(std::string_view name, std::vector<Value> args) {
  return run(jobs_, "job", name, std::move(args));
}

Result<Value> Runtime::run_function(std::string_view name, std::vector<Value> args) {
  return run(functions_, "function", name, std::move(args));
}

Result<Value> Runtime::run(const Table& table, std::string_view kind, std::string_view name,
                           std::vector<Value> args) {
  const auto index = table.find(name);
  if (!index) return fail(not_found(kind, name));
  Value result;
  if (!call(*table.at(*index), args.data(), args.size(), result)) return fail(std::move(error_));
  return result;
}

Result<Value> Runtime::evaluate(const Expression& expression) {
  Value value;
  if (!node_for(expression).run(*this, value)) return fail(std::move(error_));
  return value;
}

bool Runtime::deliver(Result<Value> result, Value& out) {
  if (!result) return fail_with(std::move(result).error().message);
  out = std::move(*result);
  return true;
}

// Parameters bind by position into the one variable table; a parameter without an argument
// keeps whatever the table holds. Loading happens only between runs, never inside a body, so
// the callable stays in place for the length of the call.
//
// Deep recursion in a program ends in an error, not in a crash: by count, and by the stack
// actually used.
bool Runtime::call(const Callable& callable, Value* args, std::size_t count, Value& out) {
  const char here = 0;
  const auto used =
      static_cast<std::size_t>(stack_base_ > &here ? stack_base_ - &here : &here - stack_base_);
  if (call_depth_ >= kMaxCallDepth || used > stack_budget_) {
    return fail_with(std::string(kCallDepthExceeded));
  }
  if (!take_step()) return false;
  const std::size_t bound = std::min(count, callable.param_slots.size());
  for (std::size_t i = 0; i < bound; ++i) set_slot(callable.param_slots[i], std::move(args[i]));
  ++call_depth_;
  const bool ok = callable.block->run(*this, out);
  --call_depth_;
  return ok;
}

std::uint32_t Runtime::slot_for(std::string_view name) {
  const auto found = slot_of_.find(name);
  if (found != slot_of_.end()) return found->second;
  const auto slot = static_cast<std::uint32_t>(slots_.size());
  slot_of_.emplace(std::string(name), slot);
  slots_.emplace_back();
  is_set_.push_back(0);
  return slot;
}

const Value* Runtime::find_variable(std::string_view name) const {
  const auto found = slot_of_.find(name);
  if (found == slot_of_.end() || !is_set_[found->second]) return nullptr;
  return &slots_[found->second];
}

void Runtime::set_variable(std::string_view name, Value value) {
  set_slot(slot_for(name), std::move(value));
}

}  // namespace pellix
