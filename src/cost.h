// Cost analysis: estimates, without running anything, what one run of a program spends on
// model calls, from the AI forms written in its flows and jobs and a fixed price per call for
// the model its agents name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ast.h"

namespace pellix {

// A loop whose body calls a model: the flow or job that holds it, and the calls one iteration
// makes.
struct CostLoop {
  std::string flow;
  std::size_t ai_calls = 0;
};

struct CostReport {
  std::vector<CostLoop> loops;           // in the order found, outer loops before inner ones
  std::string model;                     // "unknown" when no agent names a model
  std::vector<std::string> suggestions;  // in the order added
  double cost_per_call = 0.0;            // US dollars
  double estimated_total = 0.0;          // US dollars: cost_per_call times the calls counted
};

// The price of one call to a model, and whether a cheaper model is worth suggesting.
struct ModelPrice {
  double per_call = 0.0;  // US dollars
  bool is_expensive = false;
};

// The price of the first table entry found inside `model` (case-sensitive); 0.01 when none is.
ModelPrice price_for_model(std::string_view model);

// The AI calls written in `body`, nested bodies included once each (loops are not multiplied).
std::size_t count_ai_calls(const Body& body);

// Analyzes `program`: the last agent that names a model sets the price; every agent job,
// top-level job and flow is counted. Never fails.
CostReport analyze_cost(const Program& program);

// The report of the `cost` command for the file at `path`.
std::string render_cost_report(const CostReport& report, std::string_view path);

}  // namespace pellix
