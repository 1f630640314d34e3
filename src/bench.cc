#include "bench.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <ostream>
#include <variant>

#include "runtime.h"
#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kNothingToBenchmark =
    "\n  no parameterless flows found to benchmark\n\n";
constexpr std::string_view kHeading = "\n  Benchmark: ";
constexpr std::string_view kRunsEach = " runs each)\n\n";
constexpr std::string_view kTotalCost = "  total benchmark cost: $";

constexpr std::size_t kFlowWidth = 20;
constexpr std::size_t kTimeWidth = 7;     // before "ms"
constexpr std::size_t kCostWidth = 9;     // "$" and four decimals
constexpr std::size_t kSuccessWidth = 7;  // before "%"
constexpr std::size_t kRuleWidth = 82;

// Durations are kept one per run for the percentile; a huge run count grows the list as runs
// finish instead of claiming all of it up front.
constexpr std::uint64_t kMaxReservedRuns = std::uint64_t{1} << 16;

// Pads to `width` terminal columns, so names in any script line up.
void append_left_aligned(std::string& out, std::string_view text, std::size_t width) {
  out.append(text);
  const std::size_t used = display_width(text);
  if (used < width) out.append(width - used, ' ');
}

void append_right_aligned(std::string& out, std::string_view text, std::size_t width) {
  if (text.size() < width) out.append(width - text.size(), ' ');
  out.append(text);
}

void append_number(std::string& out, double value, int decimals, std::size_t width) {
  std::string number;
  append_fixed_decimal(number, value, decimals);
  append_right_aligned(out, number, width);
}

void append_header(std::string& out) {
  out.append("  ");
  append_left_aligned(out, "Flow", kFlowWidth);
  for (const std::string_view column : {"Avg", "Min", "Max", "P99"}) {
    out.append(" ");
    append_right_aligned(out, column, 8);
  }
  out.append(" ");
  append_right_aligned(out, "Cost/run", 10);
  out.append(" ");
  append_right_aligned(out, "Success", 8);
  out.append("\n  ").append(kRuleWidth, '-').append("\n");
}

void append_row(std::string& out, const BenchResult& result) {
  out.append("  ");
  append_left_aligned(out, result.flow, kFlowWidth);
  for (const double milliseconds : {result.avg_ms, result.min_ms, result.max_ms, result.p99_ms}) {
    out.append(" ");
    append_number(out, milliseconds, 1, kTimeWidth);
    out.append("ms");
  }
  out.append(" ");
  std::string cost = "$";
  append_money(cost, result.cost_per_run);
  append_right_aligned(out, cost, kCostWidth);
  out.append(" ");
  append_number(out, result.success_rate, 0, kSuccessWidth);
  out.append("%\n");
}

}  // namespace

std::uint64_t percentile_99_index(std::uint64_t runs) {
  if (runs == 0) return 0;
  // The product is below 2^64 for every count, so the conversion back is defined.
  const auto index = static_cast<std::uint64_t>(static_cast<double>(runs) * 0.99);
  return std::min(runs - 1, index);
}

BenchResult summarize_runs(std::string_view flow, std::uint64_t runs,
                           std::vector<double> durations_ms, double total_cost,
                           std::uint64_t successes) {
  BenchResult result;
  result.flow = flow;
  result.runs = runs;
  result.total_run_cost = total_cost;
  if (runs == 0 || durations_ms.empty()) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    result.avg_ms = result.cost_per_run = result.success_rate = nan;
    return result;
  }
  std::sort(durations_ms.begin(), durations_ms.end());
  double sum = 0.0;
  for (const double duration : durations_ms) sum += duration;
  const auto count = static_cast<double>(runs);
  result.avg_ms = sum / count;
  result.min_ms = durations_ms.front();
  result.max_ms = durations_ms.back();
  const std::uint64_t index = percentile_99_index(runs);
  result.p99_ms = durations_ms[std::min<std::uint64_t>(index, durations_ms.size() - 1)];
  result.cost_per_run = total_cost / count;
  result.success_rate = static_cast<double>(successes) / count * 100.0;
  return result;
}

BenchResult bench_flow(const Program& program, std::string_view flow, std::uint64_t runs,
                       const BenchSettings& settings) {
  std::vector<double> durations;
  durations.reserve(std::min(runs, kMaxReservedRuns));
  double total_cost = 0.0;
  std::uint64_t successes = 0;
  if (settings.progress) settings.progress(flow, 0, runs);
  for (std::uint64_t run = 0; run < runs; ++run) {
    Runtime runtime(*settings.out);
    if (settings.ai_caller) runtime.set_ai_caller(settings.ai_caller);
    runtime.load(program);
    const auto started = std::chrono::steady_clock::now();
    const bool succeeded = runtime.run_flow(flow, {}).has_value();
    const auto stopped = std::chrono::steady_clock::now();
    durations.push_back(std::chrono::duration<double, std::milli>(stopped - started).count());
    total_cost += runtime.total_cost;
    if (succeeded) ++successes;
    if (settings.progress) settings.progress(flow, run + 1, runs);
  }
  return summarize_runs(flow, runs, std::move(durations), total_cost, successes);
}

std::vector<BenchResult> bench_all(const Program& program, std::uint64_t runs,
                                   const BenchSettings& settings) {
  std::vector<BenchResult> results;
  for (const Declaration& declaration : program.declarations) {
    const auto* flow = std::get_if<FlowDecl>(&declaration.node);
    if (flow != nullptr && flow->params.empty()) {
      results.push_back(bench_flow(program, flow->name, runs, settings));
    }
  }
  return results;
}

std::string render_bench_report(const std::vector<BenchResult>& results, std::string_view path,
                                std::uint64_t runs) {
  if (results.empty()) return std::string(kNothingToBenchmark);
  std::string out(kHeading);
  out.append(path).append(" (");
  append_unsigned(out, runs);
  out.append(kRunsEach);
  append_header(out);
  double total_cost = 0.0;
  for (const BenchResult& result : results) {
    append_row(out, result);
    total_cost += result.total_run_cost;
  }
  out.append("\n");
  if (total_cost > 0) {
    out.append(kTotalCost);
    append_money(out, total_cost);
    out.append("\n");
  }
  return out.append("\n");
}

}  // namespace pellix
