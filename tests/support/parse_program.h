// Parses a program written in a test, failing the test with the error when it does not parse.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ast.h"
#include "lexer.h"
#include "parser.h"

namespace pellix::testing {

// The program of `source`, or an empty program after a test failure naming the error.
inline Program parse_program(const std::string& source) {
  auto tokens = Lexer(source).tokenize();
  EXPECT_TRUE(tokens.has_value()) << tokens.error().text();
  if (!tokens) return {};
  auto program = Parser(*tokens).parse();
  EXPECT_TRUE(program.has_value()) << program.error().text();
  if (!program) return {};
  return std::move(*program);
}

}  // namespace pellix::testing
