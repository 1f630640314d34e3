// The `new` command: writes the sample program, a small app that checks, runs and tests as it
// is, and says how to try it.
#include <ostream>
#include <string>
#include <string_view>

#include "cli.h"
#include "os.h"

namespace pellix {
namespace {

constexpr std::string_view kAlreadyExists = " already exists";
constexpr std::string_view kCouldNotWrite = "Could not write ";

constexpr std::string_view kSampleProgram =
    "app \"My App\"\n"
    "\n"
    "record Item:\n"
    "  name is text, required\n"
    "  done is yes or no, default false\n"
    "\n"
    "agent helper uses \"claude-sonnet-4-6\":\n"
    "  can reason\n"
    "\n"
    "  job greet given name as text:\n"
    "    response = reason about name: write a creative greeting\n"
    "    return response\n"
    "\n"
    "flow test_hello:\n"
    "  log \"Hello from Pellix!\"\n"
    "  items = [1, 2, 3]\n"
    "  total = 0\n"
    "  for each item in items:\n"
    "    total = total + item\n"
    "  log \"sum = {total}\"\n"
    "  return total\n"
    "\n"
    "page \"Home\":\n"
    "  title is \"My App\"\n"
    "\n"
    "  form:\n"
    "    input name as text, label \"Item name\"\n"
    "    submit \"Add\" calls add_item\n"
    "\n"
    "  show Item as table:\n"
    "    columns: name, done\n";

static_assert(kSampleProgram.size() == 582);

}  // namespace

int new_command(const std::string& path, Console& console) {
  const auto created = os::create_new_file(path, kSampleProgram);
  if (!created) {
    console.err << kCouldNotWrite << path << ": " << created.error().message << '\n';
    return 1;
  }
  if (*created == os::NewFile::AlreadyExists) {
    console.err << path << kAlreadyExists << '\n';
    return 1;
  }
  console.out << "  Created " << path << "\n\n"
              << "  pellix run " << path << "       run it\n"
              << "  pellix check " << path << "     verify it\n"
              << "  pellix test " << path << "      run tests\n"
              << "  pellix cost " << path << "      analyze costs\n"
              << "  pellix show " << path << "      see a summary\n";
  return 0;
}

}  // namespace pellix
