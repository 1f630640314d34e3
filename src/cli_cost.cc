// The `cost` command: the static cost estimate of a program. The checker does not run, so a
// program with checker errors can still be priced.
#include <ostream>

#include "cli.h"
#include "cost.h"

namespace pellix {

int cost_command(const std::string& path, Console& console) {
  const auto program = load_program(path, console);
  if (!program) return 1;
  console.out << render_cost_report(analyze_cost(*program), path);
  return 0;
}

}  // namespace pellix
