// The `serve` command: the program checked, then served until the process is stopped.
#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "cli.h"
#include "os.h"
#include "server.h"
#include "text_format.h"

namespace pellix {
namespace {

constexpr std::string_view kDataFolder = ".pellix";
// Lets tests shorten the time a silent connection is kept, in milliseconds.
constexpr const char* kIdleLimitVariable = "PELLIX_SERVE_IDLE_MS";

std::chrono::milliseconds idle_limit(std::chrono::milliseconds fallback) {
  const char* text = std::getenv(kIdleLimitVariable);
  if (text == nullptr) return fallback;
  const auto value = parse_unsigned(text, 24 * 60 * 60 * 1000);
  if (!value || *value == 0) return fallback;
  return std::chrono::milliseconds(*value);
}

}  // namespace

int serve_command(const std::vector<std::string>& args, Console& console) {
  const auto program = load_program(args[2], console);
  if (!program) return 1;
  if (!print_diagnostics(*program, console)) return 1;
  // A folder that cannot be made shows up as the database's own error.
  os::create_folders(std::string(kDataFolder));

  ServerOptions options;
  options.idle_limit = idle_limit(options.idle_limit);
  const Result<void> served = start_server(*program, port_option(args), options, console.out);
  if (served) return 0;
  console.out.flush();
  console.err << "\n  error: " << served.error().message << "\n\n";
  return 1;
}

}  // namespace pellix
