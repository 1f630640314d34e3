// The capability registry: what agents can do. Three capabilities are built in; more are
// installed from a catalog compiled into the tool, each as a folder with a manifest under
// `{home}/.pellix/packs`. Nothing is downloaded.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ai.h"
#include "result.h"

namespace pellix {

struct CapabilityPack {
  std::string name;
  std::string version;
  std::string description;
  std::string author;
};

// The home folder: the value of HOME, else of USERPROFILE, else "."; a variable that is empty
// or not well-formed UTF-8 counts as unset.
std::string capability_home(const EnvironmentLookup& environment);

// The manifest file of `pack`: a "[pack]" line and one `key = "value"` line for each field,
// values written as they are.
std::string manifest_text(const CapabilityPack& pack);

// The value of `key` in a manifest: from the first trimmed line that begins with `key` and
// holds "=", the text between the first and the second "=" (or the line's end), trimmed of
// white space and then of double quotes. Nothing when no line matches.
std::optional<std::string> manifest_value(std::string_view manifest, std::string_view key);

class CapabilityRegistry {
 public:
  // The registry under the home folder of the process environment. Never fails.
  CapabilityRegistry();

  // The registry under `home`: creates its packs folder when missing, then holds the built-in
  // capabilities and every readable manifest found there (a manifest may replace a built-in).
  // Folders and manifests that cannot be read are skipped. Never fails.
  explicit CapabilityRegistry(const std::string& home);

  // Installs a capability of the catalog by writing its manifest. Fails when `name` is
  // already installed (built-ins count), is not in the catalog, or the manifest cannot be
  // written.
  Result<void> install(const std::string& name);

  // Removes an installed capability with the folders its manifests were found in. Fails when
  // `name` is not installed, is one of the built-ins, or a folder cannot be removed.
  Result<void> uninstall(const std::string& name);

  // Every capability, built-ins included, by name in byte order.
  std::vector<CapabilityPack> list() const;

  const std::string& packs_folder() const { return packs_folder_; }

 private:
  void read_manifests();

  std::string packs_folder_;
  std::map<std::string, CapabilityPack> installed_;
  // The folders whose manifests named each installed capability: what uninstalling removes.
  std::map<std::string, std::vector<std::string>> folders_;
};

}  // namespace pellix
