// The `install`, `uninstall` and `list` commands over the capability registry of the user's
// home folder.
#include <ostream>
#include <string>
#include <string_view>

#include "capability.h"
#include "cli.h"

namespace pellix {
namespace {

constexpr std::size_t kNameColumns = 16;

// Columns as a terminal counts them for the text the registry holds: one per code point.
std::size_t code_points(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

int report(const Result<void>& outcome, std::string_view done, const std::string& name,
           Console& console) {
  if (!outcome) {
    console.err << "\n  " << outcome.error().message << "\n\n";
    return 1;
  }
  console.out << "\n  " << done << " \"" << name << "\"\n\n";
  return 0;
}

}  // namespace

int install_command(const std::string& name, Console& console) {
  CapabilityRegistry registry;
  return report(registry.install(name), "installed", name, console);
}

int uninstall_command(const std::string& name, Console& console) {
  CapabilityRegistry registry;
  return report(registry.uninstall(name), "removed", name, console);
}

// Longer names are not cut; their descriptions move right.
int list_command(Console& console) {
  const CapabilityRegistry registry;
  std::string listing = "\n  Installed capabilities:\n\n";
  for (const CapabilityPack& pack : registry.list()) {
    listing.append("    ").append(pack.name);
    const std::size_t width = code_points(pack.name);
    if (width < kNameColumns) listing.append(kNameColumns - width, ' ');
    listing.append(" ").append(pack.description);
    listing.append(" (").append(pack.version).append(")\n");
  }
  listing += '\n';
  console.out << listing;
  return 0;
}

}  // namespace pellix
