// The `run` command: load and check the program, run the named flow (or the first flow
// without parameters) and report its result, the cost and the time taken.
#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "cli.h"
#include "runtime.h"
#include "text_format.h"
#include "value.h"

namespace pellix {
namespace {

constexpr std::string_view kPretendOption = "--pretend";

// The run report: the result (four lines for an AI result, none for nothing), the cost when
// there was one, and the whole milliseconds since loading.
void print_run_result(const Value& result, double total_cost, std::int64_t milliseconds,
                      std::ostream& out) {
  std::string report = "\n";
  if (result.is(ValueKind::AiResult)) {
    const AiResult& answer = result.as_ai_result();
    report += "  result:     " + display(answer.value) + "\n";
    report += "  confidence: " + format_confidence(answer.confidence) + "\n";
    report += "  model:      " + answer.model + "\n";
    report += "  cost:       $" + format_money(answer.cost) + "\n";
  } else if (!result.is(ValueKind::Nothing)) {
    report += "  result: " + display(result) + "\n";
  }
  if (total_cost > 0) report += "  total cost: $" + format_money(total_cost) + "\n";
  report += "  time:       " + std::to_string(milliseconds) + "ms\n\n";
  out << report;
}

const FlowDecl* first_flow_without_parameters(const Program& program) {
  for (const Declaration& declaration : program.declarations) {
    const auto* flow = std::get_if<FlowDecl>(&declaration.node);
    if (flow != nullptr && flow->params.empty()) return flow;
  }
  return nullptr;
}

// Hands the runtime over to the end of the process instead of destroying it, when the process
// ends right after the command: a program's values can number millions, and taking them apart
// would cost as much as a good part of the run. A static pointer keeps it reachable, so leak
// checkers do not count it.
Runtime* volatile kept_runtime = nullptr;

struct KeptUntilExit {
  std::unique_ptr<Runtime>& runtime;
  bool keep;
  ~KeptUntilExit() {
    if (keep) kept_runtime = runtime.release();
  }
};

}  // namespace

int run_command(const std::vector<std::string>& args, Console& console) {
  const std::string& path = args[2];
  const bool pretend = std::find(args.begin(), args.end(), kPretendOption) != args.end();
  // A third item that starts with "-" is an option, not a flow name.
  std::optional<std::string> flow_name;
  if (args.size() > 3 && !(args[3].starts_with('-'))) flow_name = args[3];
  std::vector<Value> flow_args;
  if (flow_name) {
    for (std::size_t i = 4; i < args.size(); ++i) flow_args.push_back(value_from_argument(args[i]));
  }

  const auto program = load_program(path, console);
  if (!program) return 1;
  if (!print_diagnostics(*program, console)) return 1;

  auto owned = std::make_unique<Runtime>(console.out);
  const KeptUntilExit keep{owned, console.process_ends_after};
  Runtime& runtime = *owned;
  runtime.pretend = pretend;
  runtime.load(*program);
  const auto started = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started)
        .count();
  };

  bool chosen_automatically = false;
  if (!flow_name) {
    const FlowDecl* flow = first_flow_without_parameters(*program);
    if (flow == nullptr) {
      console.out << "\n  " << path << " loaded. Specify a flow: pellix run " << path
                  << " <flow>\n\n";
      return 0;
    }
    flow_name = flow->name;
    chosen_automatically = true;
    console.out << "\n  running flow \"" << *flow_name << "\"...\n\n";
  }
  const Result<Value> result = runtime.run_flow(*flow_name, std::move(flow_args));
  if (!result) {
    console.out.flush();
    console.err << "\n  error: " << result.error().message << "\n\n";
    return chosen_automatically ? 0 : 1;
  }
  print_run_result(*result, runtime.total_cost, elapsed(), console.out);
  return 0;
}

}  // namespace pellix
