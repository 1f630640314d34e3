// The benchmark: runs each flow without parameters a number of times, every run in a freshly
// created and loaded interpreter, and measures how long `run_flow` takes and what it costs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "ai.h"
#include "ast.h"

namespace pellix {

struct BenchResult {
  std::string flow;
  std::uint64_t runs = 0;       // runs requested
  double avg_ms = 0.0;          // NaN with no runs, as are the cost per run and success rate
  double min_ms = 0.0;          // 0 with no runs
  double max_ms = 0.0;          // 0 with no runs
  double p99_ms = 0.0;          // 0 with no runs
  double cost_per_run = 0.0;    // US dollars
  double total_run_cost = 0.0;  // US dollars
  double success_rate = 0.0;    // percent of runs that returned a value
};

// What the runs need besides the program.
struct BenchSettings {
  std::ostream* out = nullptr;  // where the flows print; must be set
  AiCaller ai_caller;           // the model calls; empty for the real ones
  // Told the flow and the runs finished so far before the first run and after each run.
  std::function<void(std::string_view flow, std::uint64_t done, std::uint64_t runs)> progress;
};

// Benchmarks every top-level flow without parameters, in source order.
std::vector<BenchResult> bench_all(const Program& program, std::uint64_t runs,
                                   const BenchSettings& settings);

// Runs `flow` `runs` times, each in a fresh interpreter with pretend mode off; only the call of
// the flow is timed. A run that ends in an error counts as a failure and is otherwise ignored.
BenchResult bench_flow(const Program& program, std::string_view flow, std::uint64_t runs,
                       const BenchSettings& settings);

// The statistics of finished runs: `durations_ms` in any order (sorted here), the sum of their
// costs and how many succeeded, out of `runs`.
BenchResult summarize_runs(std::string_view flow, std::uint64_t runs,
                           std::vector<double> durations_ms, double total_cost,
                           std::uint64_t successes);

// The position of the 99th percentile among `runs` sorted durations:
// min(runs - 1, floor(runs * 0.99)), 0 for no runs.
std::uint64_t percentile_99_index(std::uint64_t runs);

// The report of the `bench` command for the file at `path`: the table of results, or a line
// saying there was nothing to benchmark.
std::string render_bench_report(const std::vector<BenchResult>& results, std::string_view path,
                                std::uint64_t runs);

}  // namespace pellix
