#include "os.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "support/subprocess.h"

namespace pellix {
namespace {

// Writers that start at the same moment: exactly one creates the file, and its content is
// the one that stays. A check for the path followed by a plain create would let two through.
TEST(CreateNewFile, OnlyOneOfManySimultaneousWritersCreatesTheFile) {
  constexpr int kWriters = 4;
  testing::TempDir folder;
  for (int round = 0; round < 50; ++round) {
    const std::string path = (folder.path() / ("f" + std::to_string(round))).string();
    std::latch start(kWriters);
    std::vector<int> created(kWriters, 0);
    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
      writers.emplace_back([&, writer] {
        start.arrive_and_wait();
        const auto outcome = os::create_new_file(path, std::string(100 + writer, 'a' + writer));
        created[writer] = outcome && *outcome == os::NewFile::Created;
      });
    }
    for (std::thread& writer : writers) writer.join();
    int winners = 0;
    for (int writer = 0; writer < kWriters; ++writer) {
      if (!created[writer]) continue;
      ++winners;
      EXPECT_EQ(testing::read_file(path), std::string(100 + writer, 'a' + writer));
    }
    EXPECT_EQ(winners, 1) << "round " << round;
  }
}

}  // namespace
}  // namespace pellix
