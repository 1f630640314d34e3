// The interpreter: one Runtime holds the loaded declarations, the single variable table, the
// stored record rows, the memory store, the running cost of model calls and the pretend flag,
// and runs flows, jobs and functions over the syntax tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ai.h"
#include "ast.h"
#include "memory.h"
#include "result.h"
#include "value.h"

namespace pellix {

// How many calls of program functions, jobs and flows may be open at once before a call fails
// with "call depth limit exceeded". The runtime also watches the stack itself, so the limit
// holds in every build whatever the size of its frames.
inline constexpr std::size_t kMaxCallDepth = 10000;

inline constexpr std::string_view kStepLimitExceeded = "step limit exceeded";

// A text literal read once: its plain pieces and its placeholders, each with the variable slot
// of its name (or of the part before the dot).
struct InterpolationPlan {
  struct Piece {
    std::string text;  // plain text, or the placeholder as written without braces
    bool is_placeholder = false;
    std::uint32_t slot = 0;  // the variable, for a placeholder
    std::string member;      // the part after the first dot, up to a second one
    bool has_member = false;
  };
  std::vector<Piece> pieces;
  std::size_t expected_size = 0;  // the usual length of the text it makes
};

class Runtime {
 public:
  // An empty runtime: no model configuration, no declarations or variables, nothing stored,
  // no cost, pretend mode off. Lines that statements print go to `out`.
  explicit Runtime(std::ostream& out);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;
  ~Runtime();

  // Registers the records, functions, jobs (an agent's as "{agent}.{job}") and flows of
  // `program`, replacing entries of the same name; the first agent with a model fixes the
  // model configuration. Keeps its own copies. Never fails.
  void load(const Program& program);

  // Binds `args` to the declared parameters by position and runs the body; yields its value,
  // or the error that ended it ("flow \"{name}\" not found" when there is no such flow).
  Result<Value> run_flow(std::string_view name, std::vector<Value> args);
  Result<Value> run_job(std::string_view name, std::vector<Value> args);
  Result<Value> run_function(std::string_view name, std::vector<Value> args);

  // The value of the variable `name`, or null when no such variable has been set.
  const Value* find_variable(std::string_view name) const;
  // Sets the variable `name`, creating it when new.
  void set_variable(std::string_view name, Value value);

  // Evaluates an expression; yields its value or the error that ended it. The expression's
  // tree must outlive the runtime's use of it (the runtime keeps what it made of it).
  Result<Value> evaluate(const Expression& expression);

  // Bounds the work of every later run: each loop round and each call of a flow, job or
  // function takes one step, and a run that would take more fails with "step limit exceeded"
  // (which `try` can catch). Unbounded unless set; for running untrusted programs.
  void limit_steps(std::uint64_t steps) { steps_left_ = steps; }

  // Replaces the procedure that makes model calls (by default `call_ai`).
  void set_ai_caller(AiCaller caller) { ai_caller_ = std::move(caller); }
  std::ostream& out() { return out_; }

  std::optional<AiConfig> ai_config;
  MemoryStore memory;
  double total_cost = 0.0;  // US dollars, every model call through this runtime
  bool pretend = false;

 private:
  // A loaded flow, job or function: the runtime's own copy of its parameters and body, with
  // the variable slot of each parameter.
  struct Callable {
    std::vector<Param> params;
    std::vector<std::uint32_t> param_slots;
    Body body;
    const CompiledNode* block = nullptr;  // the body, compiled
  };

  // Hashes texts and views alike, so lookups by view build no string.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  template <typename T>
  using TextMap = std::unordered_map<std::string, T, TextHash, std::equal_to<>>;

  // Callables by name; an entry keeps its index when a later load replaces it, so the index
  // can be cached in the tree like a variable slot.
  class Table {
   public:
    std::optional<std::uint32_t> find(std::string_view name) const;
    void set(const std::string& name, std::shared_ptr<const Callable> callable);
    const std::shared_ptr<const Callable>& at(std::uint32_t index) const { return entries_[index]; }

   private:
    TextMap<std::uint32_t> index_;
    std::vector<std::shared_ptr<const Callable>> entries_;
  };
  using Row = Map;

  std::shared_ptr<const Callable> make_callable(const std::vector<Param>& params, const Body& body);
  Result<Value> run(const Table& table, std::string_view kind, std::string_view name,
                    std::vector<Value> args);
  // Binds the arguments from `args` (any number) and runs the body into `out`.
  bool call(const Callable& callable, Value* args, std::size_t count, Value& out);
  std::uint32_t slot_for(std::string_view name);
  void set_slot(std::uint32_t slot, Value value) {
    slots_[slot] = std::move(value);
    is_set_[slot] = 1;
  }
  // The variable in `slot` for changing in place, or null when it is not set.
  Value* variable_for_update(std::uint32_t slot) { return is_set_[slot] ? &slots_[slot] : nullptr; }

  // Compiled nodes (runtime_nodes.h). The node of a tree node is made on first use and kept
  // in the tree node's cache; the runtime owns every node it made.
  const CompiledNode& node_for(const Expression& expression);
  const CompiledNode& node_for(const Statement& statement);
  const CompiledNode& compile(const Expression& expression);  // runtime_expressions.cc
  const CompiledNode& compile(const Statement& statement);    // runtime_statements.cc
  const CompiledNode& compile_block(const Body& body);        // runtime_statements.cc
  template <typename Tree>
  const CompiledNode& cached_node(const Tree& tree);
  template <typename Node, typename... Args>
  const Node& make_node(Args&&... args);
  // Takes one step of the budget; false, with the error recorded, when none is left.
  bool take_step() {
    if (steps_left_ == 0) return fail_with(std::string(kStepLimitExceeded));
    --steps_left_;
    return true;
  }
  // Records `message` as the error of the node being run; yields false for the node to return.
  bool fail_with(std::string message) {
    error_ = std::move(message);
    return false;
  }
  // Moves a result's value into `out`, or its error into the runtime.
  bool deliver(Result<Value> result, Value& out);
  struct ExpressionNodes;
  struct StatementNodes;

  // Expressions (runtime_expressions.cc).
  InterpolationPlan make_plan(std::string_view text);
  std::string interpolate(const InterpolationPlan& plan) const;

  // Action statements (runtime_actions.cc).
  Result<Value> execute(const stmt::Remember& remember);
  Result<Value> execute(const stmt::Recall& recall);
  Result<Value> execute(const stmt::Forget& forget);
  Result<Value> execute(const stmt::Teach& teach);
  Result<Value> execute(const stmt::Narrate& narrate);
  Result<Value> execute(const stmt::Log& log);
  Result<Value> execute(const stmt::Flag& flag);
  Result<Value> execute(const stmt::Notify& notify);
  Result<Value> execute(const stmt::Undo& undo);
  Result<Value> execute(const stmt::Send& send);
  Result<Value> execute(const stmt::CallApi& call);
  Result<Value> execute(const stmt::Run& run);
  Result<Value> execute(const stmt::Create& create);
  Result<Value> execute(const stmt::Update& update);
  Result<Value> execute(const stmt::Delete& deletion);

  // AI forms (runtime_ai.cc): each builds one prompt and asks it.
  Result<Value> ask(const std::string& prompt);
  Result<Value> evaluate_ai(const ReasonExpr& reason);
  Result<Value> evaluate_ai(const expr::SenseExpr& sense);
  Result<Value> evaluate_ai(const expr::TranslateExpr& translate);
  Result<Value> evaluate_ai(const expr::SummarizeExpr& summarize);
  Result<Value> evaluate_ai(const expr::DebateExpr& debate);
  Result<Value> evaluate_ai(const expr::BlendExpr& blend);
  Result<Value> evaluate_ai(const expr::ImagineExpr& imagine);
  Result<Value> evaluate_ai(const expr::RethinkExpr& rethink);
  Result<Value> evaluate_ai(const expr::CompareExpr& compare);

  std::ostream& out_;
  AiCaller ai_caller_;
  // The one variable table, addressed by slot: names are resolved to slots once and the slot
  // cached in the runtime's own copy of the tree, so a variable read is an index.
  std::vector<Value> slots_;
  std::vector<std::uint8_t> is_set_;
  TextMap<std::uint32_t> slot_of_;
  TextMap<std::vector<Row>> record_store_;
  // Every node this runtime compiled, and the mark its caches in trees carry.
  std::vector<std::unique_ptr<CompiledNode>> nodes_;
  std::uint64_t id_;
  // The error of the node that failed last, until it is handed on.
  std::string error_;
  Table functions_;
  Table jobs_;
  Table flows_;
  std::size_t call_depth_ = 0;
  std::uint64_t steps_left_ = UINT64_MAX;
  const char* stack_base_ = nullptr;
  std::size_t stack_budget_ = 0;
};

}  // namespace pellix
