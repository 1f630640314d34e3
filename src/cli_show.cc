// The `show` command: a summary of a program for a person rather than a parser: its app, data,
// agents with what they can do, flows and the routes of its pages.
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli.h"
#include "html.h"
#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kDash = " \u2014 ";
constexpr std::string_view kNoModel = "no model";

// Every declaration of one kind, in source order.
template <typename Decl>
std::vector<const Decl*> all_of(const Program& program) {
  std::vector<const Decl*> found;
  for (const Declaration& declaration : program.declarations) {
    if (const auto* decl = std::get_if<Decl>(&declaration.node)) found.push_back(decl);
  }
  return found;
}

void append_joined_names(std::string& out, const std::vector<Param>& params) {
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) out += ", ";
    out += params[i].name;
  }
}

// A title underlined with one "=" per byte of its UTF-8 text.
void append_apps(std::string& out, const Program& program) {
  for (const AppDecl* app : all_of<AppDecl>(program)) {
    out.append("  ").append(app->name).append("\n  ");
    out.append(app->name.size(), '=').append("\n\n");
  }
}

void append_records(std::string& out, const Program& program) {
  const auto records = all_of<RecordDecl>(program);
  if (records.empty()) return;
  out += "  Data:\n";
  for (const RecordDecl* record : records) {
    out.append("    ").append(record->name).append(kDash);
    for (std::size_t i = 0; i < record->fields.size(); ++i) {
      if (i > 0) out += ", ";
      out += record->fields[i].name;
    }
    out += '\n';
  }
  out += '\n';
}

void append_agent(std::string& out, const AgentDecl& agent) {
  out.append("    ").append(agent.name).append(" (");
  out.append(agent.model ? std::string_view(*agent.model) : kNoModel).append(")\n");
  for (const JobDecl& job : agent.jobs) {
    out.append("      can: ").append(job.name);
    if (!job.params.empty()) {
      out += " (needs: ";
      append_joined_names(out, job.params);
      out += ')';
    }
    out += '\n';
  }
  for (const RuleDecl& rule : agent.rules) {
    out.append(rule.kind == RuleKind::Never ? "      never: " : "      always: ").append(rule.text);
    out += '\n';
  }
}

void append_agents(std::string& out, const Program& program) {
  const auto agents = all_of<AgentDecl>(program);
  if (agents.empty()) return;
  out += "  Agents:\n";
  for (const AgentDecl* agent : agents) append_agent(out, *agent);
  out += '\n';
}

void append_flows(std::string& out, const Program& program) {
  const auto flows = all_of<FlowDecl>(program);
  if (flows.empty()) return;
  out += "  Flows:\n";
  for (const FlowDecl* flow : flows) {
    out.append("    ").append(flow->name).append(" (");
    if (!flow->params.empty()) {
      out += "needs: ";
      append_joined_names(out, flow->params);
      out += ", ";
    }
    append_unsigned(out, flow->body.size());
    out += " steps)\n";
  }
  out += '\n';
}

void append_pages(std::string& out, const Program& program) {
  const auto pages = all_of<PageDecl>(program);
  if (pages.empty()) return;
  out += "  Pages:\n";
  for (const PageDecl* page : pages) {
    out.append("    /").append(page_route(page->name)).append(kDash);
    append_unsigned(out, page->body.size());
    out += " items\n";
  }
  out += '\n';
}

}  // namespace

int show_command(const std::string& path, Console& console) {
  const auto program = load_program(path, console);
  if (!program) return 1;
  std::string summary = "\n";
  append_apps(summary, *program);
  append_records(summary, *program);
  append_agents(summary, *program);
  append_flows(summary, *program);
  append_pages(summary, *program);
  console.out << summary;
  return 0;
}

}  // namespace pellix
