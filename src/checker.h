// The checker: inspects a parsed program without running it and reports errors and warnings
// about its declarations (empty or duplicate record fields, agents lacking a model,
// capabilities or jobs, pages without a title, small teams or unknown team members, and
// functions declared with "to" that use AI or side effects). It reads the program only and
// touches nothing outside it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ast.h"

namespace pellix {

// One finding: a one-line message, and the explanation shown after "Why:" (one or more lines
// separated by line breaks).
struct Diagnostic {
  std::string message;
  std::string why;

  bool operator==(const Diagnostic&) const = default;
};

// What a check found, each list in the order found. Warnings never stop anything.
struct CheckReport {
  std::vector<Diagnostic> errors;
  std::vector<Diagnostic> warnings;
};

// The working state of one check. A fresh checker is empty; `check` leaves it empty again.
class Checker {
 public:
  // Yields the errors and warnings of `program`: the names of its agents are collected first,
  // then every declaration is checked in source order. Never fails.
  CheckReport check(const Program& program);

 private:
  struct AgentNames;        // pass 1: the visitor that collects agent names
  struct DeclarationRules;  // pass 2: the visitor that applies the rules to each declaration

  void error(std::string message, std::string why);
  void warning(std::string message, std::string why);

  std::vector<Diagnostic> errors_;
  std::vector<Diagnostic> warnings_;
  std::unordered_set<std::string_view> known_agents_;  // names in the program being checked
};

// The standard-error text of a report: one "  warning: {message}" line per warning, then, when
// there are errors, an empty line and for each error its "  error: {message}" line, an empty
// line, "  Why: " with the explanation's first line, its further lines indented by eight spaces,
// and an empty line. Empty when the report is.
std::string render_diagnostics(const CheckReport& report);

}  // namespace pellix
