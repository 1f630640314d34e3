#include "capability.h"

#include <algorithm>
#include <array>
#include <utility>

#include "os.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kAlreadyInstalled = "\" is already installed";
constexpr std::string_view kNotInstalled = "\" is not installed";
constexpr std::string_view kBuiltIn = "\" is a built-in capability and cannot be removed";
constexpr std::string_view kUnknown = "Unknown capability: \"";
constexpr std::string_view kAvailable =
    "\"\n"
    "\n"
    "Available:\n"
    "  browse       Web browsing via Quillfen\n"
    "  documents    PDF, CSV, DOCX processing\n"
    "  reason       AI reasoning (built-in)\n"
    "  compute      Math and transforms (built-in)\n"
    "  communicate  Email and messaging (built-in)";
constexpr std::string_view kCouldNotSave = "Could not save pack: ";
constexpr std::string_view kCouldNotRemove = "Could not remove pack: ";

constexpr std::string_view kPacksFolder = "/.pellix/packs";
constexpr std::string_view kManifestFile = "/pellix-pack.toml";
constexpr std::string_view kVersion = "0.1.0";
constexpr std::string_view kAuthor = "pellix-lang";

struct CatalogEntry {
  std::string_view name;
  std::string_view description;
};

constexpr std::array<CatalogEntry, 3> kBuiltIns = {{
    {"reason", "AI reasoning and decision making"},
    {"compute", "Math, data transforms, and calculations"},
    {"communicate", "Email, SMS, and messaging"},
}};

constexpr std::array<CatalogEntry, 2> kCatalog = {{
    {"documents", "Read and process PDF, CSV, DOCX, and text files"},
    {"browse", "Web browsing and interaction via Quillfen"},
}};

template <std::size_t N>
const CatalogEntry* find_entry(const std::array<CatalogEntry, N>& entries, std::string_view name) {
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [name](const CatalogEntry& entry) { return entry.name == name; });
  return found == entries.end() ? nullptr : &*found;
}

CapabilityPack pack_of(const CatalogEntry& entry) {
  return {std::string(entry.name), std::string(kVersion), std::string(entry.description),
          std::string(kAuthor)};
}

std::string_view trim_white_space(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::string_view trim_quotes(std::string_view text) {
  const std::size_t first = text.find_first_not_of('"');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of('"') - first + 1);
}

std::string quoted(std::string_view name, std::string_view rest) {
  std::string message = "\"";
  message.append(name).append(rest);
  return message;
}

// The manifest of one folder as a pack, or nothing when it cannot be read as text.
std::optional<CapabilityPack> read_pack(const std::string& folder) {
  const auto manifest = os::read_file(folder + std::string(kManifestFile));
  if (!manifest || find_invalid_utf8(*manifest)) return std::nullopt;
  return CapabilityPack{
      manifest_value(*manifest, "name").value_or(""),
      manifest_value(*manifest, "version").value_or(std::string(kVersion)),
      manifest_value(*manifest, "description").value_or(""),
      manifest_value(*manifest, "author").value_or(""),
  };
}

}  // namespace

std::string capability_home(const EnvironmentLookup& environment) {
  for (const std::string_view name : {"HOME", "USERPROFILE"}) {
    std::optional<std::string> value = environment(name);
    // An empty home would put the packs at the root of the file system.
    if (value && !value->empty() && !find_invalid_utf8(*value)) return std::move(*value);
  }
  return ".";
}

std::string manifest_text(const CapabilityPack& pack) {
  std::string text = "[pack]\n";
  text.append("name = \"").append(pack.name).append("\"\n");
  text.append("version = \"").append(pack.version).append("\"\n");
  text.append("description = \"").append(pack.description).append("\"\n");
  text.append("author = \"").append(pack.author).append("\"\n");
  return text;
}

std::optional<std::string> manifest_value(std::string_view manifest, std::string_view key) {
  while (!manifest.empty()) {
    std::size_t end = manifest.find('\n');
    if (end == std::string_view::npos) end = manifest.size();
    const std::string_view line = trim_white_space(manifest.substr(0, end));
    manifest.remove_prefix(std::min(end + 1, manifest.size()));

    // A plain prefix test: "name" also matches a line that begins "names".
    const std::size_t equals = line.find('=');
    if (!line.starts_with(key) || equals == std::string_view::npos) continue;
    std::string_view value = line.substr(equals + 1);
    value = value.substr(0, value.find('='));
    return std::string(trim_quotes(trim_white_space(value)));
  }
  return std::nullopt;
}

CapabilityRegistry::CapabilityRegistry()
    : CapabilityRegistry(capability_home(process_environment())) {}

CapabilityRegistry::CapabilityRegistry(const std::string& home)
    : packs_folder_(home + std::string(kPacksFolder)) {
  os::create_folders(packs_folder_);
  for (const CatalogEntry& entry : kBuiltIns) installed_.emplace(entry.name, pack_of(entry));
  read_manifests();
}

// The folder's own name is not used: the manifest names its pack, and a later manifest of the
// same name replaces an earlier one.
void CapabilityRegistry::read_manifests() {
  for (const std::string& entry : os::list_subfolders(packs_folder_)) {
    std::string folder = packs_folder_ + "/" + entry;
    std::optional<CapabilityPack> pack = read_pack(folder);
    if (!pack) continue;
    folders_[pack->name].push_back(std::move(folder));
    installed_.insert_or_assign(pack->name, std::move(*pack));
  }
}

Result<void> CapabilityRegistry::install(const std::string& name) {
  if (installed_.contains(name)) return fail(quoted(name, kAlreadyInstalled));
  const CatalogEntry* entry = find_entry(kCatalog, name);
  if (entry == nullptr) return fail(std::string(kUnknown).append(name).append(kAvailable));

  CapabilityPack pack = pack_of(*entry);
  std::string folder = packs_folder_ + "/" + name;
  os::create_folders(folder);
  if (auto written = os::write_file(folder + std::string(kManifestFile), manifest_text(pack));
      !written) {
    return fail(std::string(kCouldNotSave).append(written.error().message));
  }
  folders_[name].push_back(std::move(folder));
  installed_.emplace(name, std::move(pack));
  return {};
}

Result<void> CapabilityRegistry::uninstall(const std::string& name) {
  const auto found = installed_.find(name);
  if (found == installed_.end()) return fail(quoted(name, kNotInstalled));
  if (found->second.author == kAuthor && find_entry(kBuiltIns, name) != nullptr) {
    return fail(quoted(name, kBuiltIn));
  }
  // Only the folders the pack was read from: a name typed by the user is never made into a
  // path, so "..", "." or "" cannot reach outside a pack's own folder. A folder that stays
  // would bring the pack back on the next run, so that is a failure.
  if (const auto folders = folders_.find(name); folders != folders_.end()) {
    for (const std::string& folder : folders->second) {
      if (auto removed = os::remove_tree(folder); !removed) {
        return fail(std::string(kCouldNotRemove).append(removed.error().message));
      }
    }
    folders_.erase(folders);
  }
  installed_.erase(found);
  return {};
}

std::vector<CapabilityPack> CapabilityRegistry::list() const {
  std::vector<CapabilityPack> packs;
  packs.reserve(installed_.size());
  for (const auto& [name, pack] : installed_) packs.push_back(pack);
  return packs;
}

}  // namespace pellix
