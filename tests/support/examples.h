// The example programs shipped in examples/, read by tests that pin their behaviour.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace pellix::testing {

// The whole text of examples/{name}, or an empty text after a test failure.
inline std::string read_example(const std::string& name) {
  const std::string path = std::string(PELLIX_EXAMPLES_DIR) + "/" + name;
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file) << "cannot read " << path;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace pellix::testing
