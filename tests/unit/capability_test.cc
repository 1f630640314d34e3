#include "capability.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace pellix {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;
using testing::write_file;

EnvironmentLookup environment_of(std::map<std::string, std::string> variables) {
  return [variables](std::string_view name) -> std::optional<std::string> {
    const auto found = variables.find(std::string(name));
    if (found == variables.end()) return std::nullopt;
    return found->second;
  };
}

TEST(CapabilityHome, HomeThenUserProfileThenTheCurrentFolder) {
  struct Case {
    std::map<std::string, std::string> variables;
    std::string home;
  };
  const std::vector<Case> cases = {
      {{{"HOME", "/home/ada"}, {"USERPROFILE", "C:\\Users\\ada"}}, "/home/ada"},
      {{{"USERPROFILE", "C:\\Users\\ada"}}, "C:\\Users\\ada"},
      {{{"HOME", "/home/\xFF"}, {"USERPROFILE", "/profile"}}, "/profile"},
      // An empty home would put the packs at the root of the file system.
      {{{"HOME", ""}, {"USERPROFILE", "/profile"}}, "/profile"},
      {{{"HOME", ""}}, "."},
      {{}, "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.variables));
    EXPECT_EQ(capability_home(environment_of(c.variables)), c.home);
  }
}

TEST(Manifest, ValueComesFromTheFirstLineThatBeginsWithTheKeyUpToASecondEquals) {
  struct Case {
    std::string manifest;
    std::string key;
    std::optional<std::string> value;
  };
  const std::vector<Case> cases = {
      {"[pack]\nname = \"documents\"\n", "name", "documents"},
      {"name=\"x\"", "name", "x"},
      {"  version =   \"1.2\"  \r\nname = \"y\"\r\n", "version", "1.2"},
      // A plain prefix test, so "names" answers for "name".
      {"names = \"many\"\nname = \"one\"\n", "name", "many"},
      // A line without "=" is passed over.
      {"name\nname = \"late\"\n", "name", "late"},
      // A value is cut at its own "=", and every outer quote goes.
      {"description = \"a = b\"\n", "description", "a"},
      {"author = \"\"\"quoted\"\"\"\n", "author", "quoted"},
      {"author = \"\"\n", "author", ""},
      {"author =\n", "author", ""},
      {"[pack]\n# name = \"x\"\n", "name", std::nullopt},
      {"", "name", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.manifest);
    EXPECT_EQ(manifest_value(c.manifest, c.key), c.value);
  }
}

class Registry : public ::testing::Test {
 protected:
  fs::path packs() const { return home_.path() / ".pellix" / "packs"; }

  void add_manifest(const std::string& folder, const std::string& manifest) {
    fs::create_directories(packs() / folder);
    write_file(packs() / folder / "pellix-pack.toml", manifest);
  }

  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const CapabilityPack& pack : CapabilityRegistry(home_.path()).list()) {
      found.push_back(pack.name);
    }
    return found;
  }

  TempDir home_;
};

TEST_F(Registry, AFreshHomeGetsItsPacksFolderAndTheBuiltIns) {
  const auto listed = CapabilityRegistry(home_.path()).list();
  EXPECT_TRUE(fs::is_directory(packs()));
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].name, "communicate");
  EXPECT_EQ(listed[0].description, "Email, SMS, and messaging");
  EXPECT_EQ(listed[0].version, "0.1.0");
  EXPECT_EQ(listed[0].author, "pellix-lang");
  EXPECT_EQ(listed[1].name, "compute");
  EXPECT_EQ(listed[2].name, "reason");
}

TEST_F(Registry, InstallWritesTheFiveLineManifest) {
  CapabilityRegistry registry(home_.path());
  ASSERT_TRUE(registry.install("browse"));
  EXPECT_EQ(read_file(packs() / "browse" / "pellix-pack.toml"),
            "[pack]\n"
            "name = \"browse\"\n"
            "version = \"0.1.0\"\n"
            "description = \"Web browsing and interaction via Quillfen\"\n"
            "author = \"pellix-lang\"\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"browse", "communicate", "compute", "reason"}));
}

TEST_F(Registry, ManifestsAreReadByTheirContentNotTheirFolder) {
  add_manifest("a", "[pack]\nname = \"zeta\"\ndescription = \"no version\"\n");
  add_manifest("b", "version = \"2.0\"\n");
  add_manifest("c",
               "name = \"reason\"\nversion = \"9\"\ndescription = \"mine\"\nauthor = \"me\"\n");
  add_manifest("d", "name = \"bad \xFF\"\n");
  fs::create_directories(packs() / "empty");
  write_file(packs() / "loose-file", "name = \"loose\"\n");

  const auto listed = CapabilityRegistry(home_.path()).list();
  ASSERT_EQ(listed.size(), 5u);
  // No name, no description, no author: empty texts, and the default version.
  EXPECT_EQ(listed[0].name, "");
  EXPECT_EQ(listed[0].version, "2.0");
  EXPECT_EQ(listed[1].name, "communicate");
  EXPECT_EQ(listed[2].name, "compute");
  EXPECT_EQ(listed[3].name, "reason");
  EXPECT_EQ(listed[3].description, "mine");
  EXPECT_EQ(listed[3].version, "9");
  EXPECT_EQ(listed[4].name, "zeta");
  EXPECT_EQ(listed[4].version, "0.1.0");
}

TEST_F(Registry, InstallAndUninstallRefuseWithTheirMessages) {
  CapabilityRegistry registry(home_.path());
  ASSERT_TRUE(registry.install("documents"));
  EXPECT_EQ(registry.install("documents").error().message, "\"documents\" is already installed");
  EXPECT_EQ(registry.install("reason").error().message, "\"reason\" is already installed");
  EXPECT_EQ(registry.uninstall("compute").error().message,
            "\"compute\" is a built-in capability and cannot be removed");
  EXPECT_EQ(registry.uninstall("browse").error().message, "\"browse\" is not installed");
  EXPECT_EQ(registry.install("Browse").error().message,
            "Unknown capability: \"Browse\"\n\nAvailable:\n"
            "  browse       Web browsing via Quillfen\n"
            "  documents    PDF, CSV, DOCX processing\n"
            "  reason       AI reasoning (built-in)\n"
            "  compute      Math and transforms (built-in)\n"
            "  communicate  Email and messaging (built-in)");

  ASSERT_TRUE(registry.uninstall("documents"));
  EXPECT_FALSE(fs::exists(packs() / "documents"));
  EXPECT_EQ(registry.uninstall("documents").error().message, "\"documents\" is not installed");
}

TEST_F(Registry, AManifestCanStandInForABuiltInAndThenBeRemoved) {
  add_manifest("mine", "name = \"reason\"\nauthor = \"me\"\n");
  ASSERT_TRUE(CapabilityRegistry(home_.path()).uninstall("reason"));
  EXPECT_FALSE(fs::exists(packs() / "mine"));
  EXPECT_EQ(names(), (std::vector<std::string>{"communicate", "compute", "reason"}));
}

TEST_F(Registry, AFailedManifestWriteIsReported) {
  fs::create_directories(packs());
  write_file(packs() / "documents", "a file where the folder should be\n");
  EXPECT_EQ(CapabilityRegistry(home_.path()).install("documents").error().message,
            "Could not save pack: Not a directory");
}

// A pack whose folder stays would be back on the next run, so "removed" would be untrue.
TEST_F(Registry, AFolderThatCannotBeRemovedIsReported) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold back the superuser";
  add_manifest("documents", "name = \"documents\"\n");
  fs::permissions(packs() / "documents", fs::perms::owner_write, fs::perm_options::remove);
  const auto removed = CapabilityRegistry(home_.path()).uninstall("documents");
  fs::permissions(packs() / "documents", fs::perms::owner_write, fs::perm_options::add);
  ASSERT_FALSE(removed);
  EXPECT_EQ(removed.error().message, "Could not remove pack: Permission denied");
  EXPECT_EQ(names(), (std::vector<std::string>{"communicate", "compute", "documents", "reason"}));
}

// The name typed is never made into a path: only the folders the pack's manifests were read
// from go, so a pack named "..", "." or "" cannot take the packs folder or the home with it,
// and a pack kept under another folder name does not come back on the next run.
TEST_F(Registry, UninstallRemovesOnlyThePacksOwnFolders) {
  write_file(home_.path() / "precious.txt", "keep me\n");
  add_manifest("keep", "name = \"documents\"\n");
  add_manifest("up", "name = \"..\"\n");
  add_manifest("here", "name = \".\"\n");
  add_manifest("nameless", "version = \"1\"\n");
  add_manifest("other", "name = \"browse\"\n");
  add_manifest("twin", "name = \"browse\"\n");

  for (const std::string name : {"..", ".", "", "browse"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(CapabilityRegistry(home_.path()).uninstall(name));
  }
  EXPECT_EQ(read_file(home_.path() / "precious.txt"), "keep me\n");
  EXPECT_TRUE(fs::exists(packs() / "keep" / "pellix-pack.toml"));
  EXPECT_EQ(names(), (std::vector<std::string>{"communicate", "compute", "documents", "reason"}));
}

}  // namespace
}  // namespace pellix
