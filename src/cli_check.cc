// The `check` command's report: whether the file is valid, and a line per declaration.
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <variant>

#include "cli.h"
#include "text_format.h"

namespace pellix {
namespace {

// One line per kind of declaration, with the counts a reader wants to see at a glance.
struct DeclarationLine {
  std::string& out;

  void operator()(const AppDecl& app) const { line("app \"", app.name, "\""); }
  void operator()(const RecordDecl& record) const {
    counted("record ", record.name, record.fields.size(), "fields");
  }
  void operator()(const AgentDecl& agent) const {
    counted("agent ", agent.name, agent.jobs.size(), "jobs");
  }
  void operator()(const TeamDecl& team) const {
    counted("team ", team.name, team.agents.size(), "agents");
  }
  void operator()(const FunctionDecl& function) const { line("function ", function.name, ""); }
  void operator()(const JobDecl& job) const { line("job ", job.name, ""); }
  void operator()(const FlowDecl& flow) const {
    counted("flow ", flow.name, flow.body.size(), "steps");
  }
  void operator()(const PageDecl& page) const {
    counted("page \"", page.name + "\"", page.body.size(), "items");
  }
  void operator()(const UseDecl& use) const { line("use \"", use.path, "\""); }
  void operator()(const AlwaysDecl& always) const { line("always ", always.name, ""); }
  void operator()(const ChoicesDecl& choices) const {
    counted("choices ", choices.name, choices.options.size(), "options");
  }

  void line(std::string_view before, std::string_view name, std::string_view after) const {
    out.append("    ").append(before).append(name).append(after).append("\n");
  }
  // The plural word stays plural for a count of one.
  void counted(std::string_view before, std::string_view name, std::size_t count,
               std::string_view things) const {
    out.append("    ").append(before).append(name).append(" (");
    append_unsigned(out, count);
    out.append(" ").append(things).append(")\n");
  }
};

}  // namespace

int check_command(const std::string& path, Console& console) {
  const auto started = std::chrono::steady_clock::now();
  const auto program = load_program(path, console);
  if (!program) return 1;
  const bool is_valid = print_diagnostics(*program, console);

  std::string report = "\n";
  if (is_valid) report += "  " + path + " is valid\n";
  report += "\n  ";
  append_unsigned(report, program->declarations.size());
  report += " declarations found:\n";
  for (const Declaration& declaration : program->declarations) {
    std::visit(DeclarationLine{report}, declaration.node);
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  report += "\n  checked in ";
  append_unsigned(report, static_cast<std::size_t>(elapsed.count()));
  report += "ms\n\n";
  console.out << report;
  return 0;
}

}  // namespace pellix
