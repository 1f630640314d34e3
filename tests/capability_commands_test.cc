// `pellix install`, `uninstall` and `list` one after another against a temporary home folder:
// what one command leaves behind, the next one sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/subprocess.h"

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBuiltInsOnly =
    "\n  Installed capabilities:\n\n"
    "    communicate      Email, SMS, and messaging (0.1.0)\n"
    "    compute          Math, data transforms, and calculations (0.1.0)\n"
    "    reason           AI reasoning and decision making (0.1.0)\n\n";

class CapabilityCommands : public ::testing::Test {
 protected:
  ProcessResult pellix(const std::vector<std::string>& args) {
    ProcessOptions options;
    options.working_directory = work_.path();
    options.home = home_.path();
    return run_pellix(args, options);
  }

  fs::path packs() const { return home_.path() / ".pellix" / "packs"; }

  TempDir work_;
  TempDir home_;
};

TEST_F(CapabilityCommands, InstalledPacksLastUntilRemoved) {
  EXPECT_EQ(pellix({"list"}).out, kBuiltInsOnly);
  EXPECT_TRUE(fs::is_directory(packs()));

  EXPECT_EQ(pellix({"install", "documents"}).out, "\n  installed \"documents\"\n\n");
  EXPECT_EQ(pellix({"list"}).out,
            "\n  Installed capabilities:\n\n"
            "    communicate      Email, SMS, and messaging (0.1.0)\n"
            "    compute          Math, data transforms, and calculations (0.1.0)\n"
            "    documents        Read and process PDF, CSV, DOCX, and text files (0.1.0)\n"
            "    reason           AI reasoning and decision making (0.1.0)\n\n");

  const ProcessResult twice = pellix({"install", "documents"});
  EXPECT_EQ(twice.status, 1);
  EXPECT_EQ(twice.err, "\n  \"documents\" is already installed\n\n");

  const ProcessResult removed = pellix({"uninstall", "documents"});
  EXPECT_EQ(removed.status, 0);
  EXPECT_EQ(removed.out, "\n  removed \"documents\"\n\n");
  EXPECT_FALSE(fs::exists(packs() / "documents"));
  EXPECT_EQ(pellix({"list"}).out, kBuiltInsOnly);

  const ProcessResult again = pellix({"uninstall", "documents"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "\n  \"documents\" is not installed\n\n");
}

TEST_F(CapabilityCommands, NamesArePaddedToSixteenColumnsAndNeverCut) {
  for (const auto& [folder, name] : std::vector<std::pair<std::string, std::string>>{
           {"long", "a-very-long-capability-name"}, {"accent", "caf\u00e9"}}) {
    fs::create_directories(packs() / folder);
    write_file(packs() / folder / "pellix-pack.toml",
               "name = \"" + name + "\"\ndescription = \"d\"\nversion = \"2\"\n");
  }
  EXPECT_EQ(pellix({"list"}).out,
            "\n  Installed capabilities:\n\n"
            "    a-very-long-capability-name d (2)\n"
            "    caf\u00e9             d (2)\n"
            "    communicate      Email, SMS, and messaging (0.1.0)\n"
            "    compute          Math, data transforms, and calculations (0.1.0)\n"
            "    reason           AI reasoning and decision making (0.1.0)\n\n");
}

TEST_F(CapabilityCommands, UserProfileStandsInWhenHomeIsUnset) {
  TempDir profile;
  ProcessOptions options;
  options.working_directory = work_.path();
  options.environment = {"USERPROFILE=" + profile.path().string()};
  const ProcessResult result = run_pellix({"install", "browse"}, options);
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(fs::exists(profile.path() / ".pellix" / "packs" / "browse" / "pellix-pack.toml"));
  EXPECT_FALSE(fs::exists(work_.path() / ".pellix"));
}

}  // namespace
}  // namespace pellix::testing
