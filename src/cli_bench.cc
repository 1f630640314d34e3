// The `bench` command: the table of timings and costs, and, on a terminal, a progress line
// while a long benchmark runs.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "bench.h"
#include "cli.h"
#include "progress_line.h"
#include "text_format.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kBenchmarking = "  benchmarking ";
constexpr std::string_view kOf = " of ";
constexpr std::string_view kRuns = " runs";

// Long names are cut so that the counts stay in view.
constexpr std::size_t kMaxFlowColumns = 40;

std::string progress_text(std::string_view flow, std::uint64_t done, std::uint64_t runs) {
  std::string text(kBenchmarking);
  const std::string_view head = head_within_columns(flow, kMaxFlowColumns);
  text.append(head).append(head.size() < flow.size() ? "...: " : ": ");
  append_unsigned(text, done);
  text.append(kOf);
  append_unsigned(text, runs);
  return text.append(kRuns);
}

}  // namespace

int bench_command(const std::vector<std::string>& args, Console& console) {
  const std::string& path = args[2];
  const std::uint64_t runs = runs_option(args);
  const auto program = load_program(path, console);
  if (!program) return 1;
  if (!print_diagnostics(*program, console)) return 1;

  BenchSettings settings;
  settings.out = &console.out;
  std::optional<ProgressLine> progress;
  if (console.err_is_terminal) {
    progress.emplace(console.out, console.err, ProgressLine::Timing{});
    settings.out = &progress->output();
    settings.progress = [&progress](std::string_view flow, std::uint64_t done,
                                    std::uint64_t total) {
      if (progress->is_due()) progress->show(progress_text(flow, done, total));
    };
  }
  const std::vector<BenchResult> results = bench_all(*program, runs, settings);
  if (progress) progress->erase();
  console.out << render_bench_report(results, path, runs);
  return 0;
}

}  // namespace pellix
