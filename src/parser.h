// The parser: a hand-written recursive-descent parser from the token list to the syntax tree.
// One token of lookahead, no backtracking; the first error ends the parse.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ast.h"
#include "result.h"
#include "token.h"

namespace pellix {

// A syntax error at the 1-based line and column of the token that was current.
struct ParseError {
  std::string message;
  std::size_t line = 1;
  std::size_t column = 1;

  // "line {line}, column {column}: {message}"
  std::string text() const;
};

template <typename T>
using Parsed = Result<T, ParseError>;

// How deeply constructs may nest before the parse fails with "nesting too deep": blocks and
// bracketed or parenthesised expressions, which the parser itself enters recursively, and the
// depth of the tree as a whole, which chains of operators deepen without recursion. Both keep
// the parser and every recursive pass over the tree well inside the stack, sanitizer build
// included.
inline constexpr std::size_t kMaxNesting = 200;
inline constexpr std::size_t kMaxTreeDepth = 1000;

class Parser {
 public:
  // A parser at the first of `tokens`, which must end with Eof and outlive the parser.
  explicit Parser(std::span<const SpannedToken> tokens);

  // Yields the whole program, or the first syntax error.
  Parsed<Program> parse();

 private:
  // How deep the parse is: recursive entries, and tree levels (entries and chained operators).
  struct Depth {
    std::size_t nesting = 0;
    std::size_t tree = 0;
  };

  // Gives back, when it ends, the depth taken within it; see kMaxNesting.
  class NestingScope {
   public:
    explicit NestingScope(Depth& depth) : depth_(depth) {}
    NestingScope(const NestingScope&) = delete;
    NestingScope& operator=(const NestingScope&) = delete;
    ~NestingScope() {
      depth_.nesting -= nesting_;
      depth_.tree -= tree_;
    }

   private:
    friend class Parser;
    Depth& depth_;
    std::size_t nesting_ = 0;
    std::size_t tree_ = 0;
  };

  // --- shared steps (parser.cc)
  const Token& current() const { return tokens_[pos_].token; }
  const Token& peek_next() const;
  bool at(TokenKind kind) const { return current().kind() == kind; }
  bool at_word(std::string_view word) const;  // an Identifier with this text
  void advance();
  void skip_newlines();
  Parsed<void> expect(const Token& token);
  Parsed<std::string> expect_string();
  Parsed<std::string> expect_identifier();
  Parsed<void> expect_indent();
  bool at_block_end() const;
  void end_block();
  bool at_line_end() const;  // Newline, Dedent or Eof
  std::string rest_of_line();
  void skip_line();
  Parsed<std::vector<std::string>> name_list();
  Parsed<double> number();
  Parsed<void> deeper(NestingScope& scope);  // one level of recursion and of tree
  Parsed<void> longer(NestingScope& scope);  // one more operator in a chain: a tree level
  Unexpected<ParseError> fail(std::string message) const;
  Unexpected<ParseError> fail_found(std::string_view what) const;  // "expected {what}, found …"

  // --- expressions (parser_expressions.cc)
  Parsed<Expression> parse_expression();
  Parsed<Expression> parse_level(int minimum);
  Parsed<Expression> parse_comparison(Expression left);
  Parsed<Expression> parse_member();
  Parsed<Expression> parse_primary();
  Parsed<Expression> parse_identifier_primary();
  Parsed<std::vector<Expression>> parse_call_args();
  Parsed<Expression> parse_list();
  Parsed<Expression> parse_map();
  Parsed<Expression> parse_reason();
  Parsed<Expression> parse_recall_call();
  Parsed<Expression> parse_find();
  Parsed<Expression> parse_rethink();
  Parsed<Expression> parse_compare();
  Parsed<Expression> parse_debate();
  Parsed<Expression> parse_blend();
  Parsed<Expression> parse_imagine();
  Parsed<Expression> parse_translate();

  // --- statements (parser_statements.cc)
  Parsed<Body> parse_block();
  Parsed<Statement> parse_statement();
  Parsed<Statement> parse_identifier_statement();
  Parsed<Statement> parse_change();
  Parsed<Statement> parse_if();
  Parsed<Statement> parse_match();
  Parsed<Statement> parse_confidence_match();
  Parsed<Statement> parse_for_each();
  Parsed<Statement> parse_repeat();
  Parsed<Statement> parse_need();
  Parsed<Statement> parse_try();
  Parsed<Statement> parse_assume();
  Parsed<Body> parse_keyword_block();  // keyword ":" block, as in pretend and together
  Parsed<Statement> parse_check();
  Parsed<Statement> parse_check_block(CheckExpr check);
  Parsed<Statement> parse_remember();
  Parsed<Statement> parse_recall_statement();
  Parsed<Statement> parse_forget();
  Parsed<Statement> parse_log();
  Parsed<Statement> parse_flag();
  Parsed<Statement> parse_notify();
  Parsed<Statement> parse_send();
  Parsed<Statement> parse_call_api();
  Parsed<Statement> parse_run();
  Parsed<Statement> parse_create();
  Parsed<Statement> parse_update();
  Parsed<Statement> parse_delete();
  Parsed<Statement> parse_add();
  Parsed<Statement> parse_remove();
  std::optional<std::string> parse_modifier_after_comma();
  void skip_clause_words(bool stop_after_fails);

  // --- declarations and types (parser_declarations.cc)
  Parsed<Declaration> parse_declaration();
  Parsed<Declaration> parse_app();
  Parsed<Declaration> parse_record();
  Parsed<FieldDecl> parse_field();
  Parsed<Declaration> parse_agent();
  Parsed<void> parse_agent_line(AgentDecl& agent);
  Parsed<std::vector<RuleDecl>> parse_rules();
  Parsed<Declaration> parse_team();
  Parsed<JobDecl> parse_job();
  Parsed<Declaration> parse_page();
  Parsed<Declaration> parse_use();
  Parsed<Declaration> parse_always();
  Parsed<Declaration> parse_choices();
  Parsed<std::vector<Param>> parse_params();
  Parsed<FieldType> parse_type();
  Parsed<FieldType> parse_type_word(std::string_view word);

  // --- pages (parser_pages.cc)
  Parsed<std::vector<PageItem>> parse_item_block();
  Parsed<PageItem> parse_page_item();
  Parsed<PageItem> parse_show();
  Parsed<PageItem> parse_form();
  Parsed<InputDecl> parse_input();
  Parsed<SubmitDecl> parse_submit();
  Parsed<PageItem> parse_button();
  Parsed<PageItem> parse_card();
  Parsed<PageItem> parse_panels();
  Parsed<PanelDecl> parse_panel();
  Parsed<PageItem> parse_conditional_item();
  std::optional<std::string> style_word() const;  // an identifier or a style keyword
  void skip_indented_block();

  std::span<const SpannedToken> tokens_;
  std::size_t pos_ = 0;
  Depth depth_;
};

}  // namespace pellix
