// Expressions: nine precedence levels, loosest first, and every primary form.
#include <utility>

#include "parser.h"

namespace pellix {
namespace {

Expression make(Expression::Variant node) { return Expression{std::move(node)}; }

Expression nothing() { return make(expr::Nothing{}); }

struct ComparisonWord {
  TokenKind token;
  ComparisonOperator op;
  bool has_right_side;
};

// The words after `is` that make a comparison without a right-hand operand.
constexpr ComparisonWord kIsWords[] = {
    {TokenKind::Nothing, ComparisonOperator::IsNothing, false},
    {TokenKind::Empty, ComparisonOperator::IsEmpty, false},
    {TokenKind::Past, ComparisonOperator::IsPast, false},
    {TokenKind::Future, ComparisonOperator::IsFuture, false},
    {TokenKind::Weekend, ComparisonOperator::IsWeekend, false},
};

// The comparison words that stand on their own after the left operand.
constexpr ComparisonWord kComparisonWords[] = {
    {TokenKind::Above, ComparisonOperator::Above, true},
    {TokenKind::Below, ComparisonOperator::Below, true},
    {TokenKind::Contains, ComparisonOperator::Contains, true},
    {TokenKind::Exists, ComparisonOperator::Exists, false},
    {TokenKind::Starts, ComparisonOperator::StartsWith, true},
    {TokenKind::Ends, ComparisonOperator::EndsWith, true},
};

// How tightly each operator binds, loosest first. A level's operands are expressions of the
// next tighter level: or, and, not (prefix, once), comparison (at most one), + and -, * and /,
// |>, and then member access on a primary.
enum class Level : int {
  Or = 1,
  And,
  Not,
  Comparison,
  Additive,
  Multiplicative,
  Pipe,
  Postfix,
};

Level operator_level(TokenKind kind) {
  switch (kind) {
    case TokenKind::Or:
      return Level::Or;
    case TokenKind::And:
      return Level::And;
    case TokenKind::Is:
    case TokenKind::Above:
    case TokenKind::Below:
    case TokenKind::Contains:
    case TokenKind::Exists:
    case TokenKind::Starts:
    case TokenKind::Ends:
      return Level::Comparison;
    case TokenKind::Plus:
    case TokenKind::Minus:
      return Level::Additive;
    case TokenKind::Star:
    case TokenKind::Slash:
      return Level::Multiplicative;
    case TokenKind::Pipe:
      return Level::Pipe;
    default:
      return Level::Postfix;  // not an operator
  }
}

Level tighter(Level level) { return static_cast<Level>(static_cast<int>(level) + 1); }

Expression binary(TokenKind op, Expression left, Expression right) {
  switch (op) {
    case TokenKind::Or:
      return make(expr::LogicalOr{std::move(left), std::move(right)});
    case TokenKind::And:
      return make(expr::LogicalAnd{std::move(left), std::move(right)});
    case TokenKind::Plus:
      return make(expr::BinaryOp{std::move(left), BinaryOperator::Add, std::move(right)});
    case TokenKind::Minus:
      return make(expr::BinaryOp{std::move(left), BinaryOperator::Subtract, std::move(right)});
    case TokenKind::Star:
      return make(expr::BinaryOp{std::move(left), BinaryOperator::Multiply, std::move(right)});
    case TokenKind::Slash:
      return make(expr::BinaryOp{std::move(left), BinaryOperator::Divide, std::move(right)});
    default:
      return make(expr::Pipe{std::move(left), std::move(right)});
  }
}

}  // namespace

// expression -> or
Parsed<Expression> Parser::parse_expression() {
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));
  return parse_level(static_cast<int>(Level::Or));
}

// An expression whose operators all bind at least as tightly as `minimum`, by precedence
// climbing: one loop instead of a function per level, so a plain value passes through one
// call. The binary operators group to the left; `not` applies to a comparison-level operand;
// a comparison takes a left operand built from + - * / |> only, once.
Parsed<Expression> Parser::parse_level(int minimum) {
  const auto min_level = static_cast<Level>(minimum);
  NestingScope scope(depth_);
  Expression left;
  Level left_level = Level::Postfix;  // the loosest operator at the top of `left`
  if (min_level <= Level::Not && at(TokenKind::Not)) {
    advance();
    PX_TRY(Expression operand, parse_level(static_cast<int>(Level::Comparison)));
    left = make(expr::UnaryNot{std::move(operand)});
    left_level = Level::Not;
  } else {
    Parsed<Expression> first = parse_member();
    if (!first || operator_level(current().kind()) == Level::Postfix) return first;
    left = std::move(*first);
  }
  while (true) {
    const TokenKind op = current().kind();
    const Level level = operator_level(op);
    if (level == Level::Postfix || level < min_level) break;
    // An operator applies only to a left operand built from operators that bind at least as
    // tightly (a comparison: more tightly, so at most one); otherwise it is the caller's.
    if (level == Level::Comparison) {
      if (left_level <= Level::Comparison) break;
      PX_TRY(left, parse_comparison(std::move(left)));
      left_level = Level::Comparison;
      continue;
    }
    if (left_level < level) break;
    PX_CHECK(longer(scope));
    advance();
    PX_TRY(Expression right, parse_level(static_cast<int>(tighter(level))));
    left = binary(op, std::move(left), std::move(right));
    left_level = level;
  }
  return left;
}

// comparison -> left comparison_word [ additive ]     (the current token is the word)
Parsed<Expression> Parser::parse_comparison(Expression left) {
  const auto compare = [&](ComparisonOperator op, Expression right) {
    return make(expr::Comparison{std::move(left), op, std::move(right)});
  };
  const auto operand = [&] { return parse_level(static_cast<int>(Level::Additive)); };
  if (at(TokenKind::Is)) {
    advance();
    for (const ComparisonWord& word : kIsWords) {
      if (at(word.token)) {
        advance();
        return compare(word.op, nothing());
      }
    }
    ComparisonOperator op = ComparisonOperator::Is;
    if (at(TokenKind::Not)) {
      advance();
      op = ComparisonOperator::IsNot;
    }
    PX_TRY(Expression right, operand());
    return compare(op, std::move(right));
  }
  for (const ComparisonWord& word : kComparisonWords) {
    if (!at(word.token)) continue;
    advance();
    if (!word.has_right_side) return compare(word.op, nothing());
    if (word.op == ComparisonOperator::StartsWith || word.op == ComparisonOperator::EndsWith) {
      PX_CHECK(expect(Token(TokenKind::With)));
    }
    PX_TRY(Expression right, operand());
    return compare(word.op, std::move(right));
  }
  return left;  // not reached: the caller saw a comparison word
}

// member -> primary { "." Identifier }
Parsed<Expression> Parser::parse_member() {
  NestingScope scope(depth_);
  Parsed<Expression> first = parse_primary();
  if (!first || !at(TokenKind::Dot)) return first;
  Expression object = std::move(*first);
  while (at(TokenKind::Dot)) {
    PX_CHECK(longer(scope));
    advance();
    PX_TRY(std::string member, expect_identifier());
    object = make(expr::MemberAccess{std::move(object), std::move(member)});
  }
  return object;
}

// primary -> literal | name forms | "(" expression ")" | list | map | an AI form
Parsed<Expression> Parser::parse_primary() {
  const Token token = current();
  switch (token.kind()) {
    case TokenKind::Integer:
      advance();
      return make(expr::Integer{token.integer_value()});
    case TokenKind::Decimal:
      advance();
      return make(expr::Decimal{token.decimal_value()});
    case TokenKind::StringLit:
      advance();
      return make(expr::StringLit{std::string(token.text())});
    case TokenKind::True:
      advance();
      return make(expr::Bool{true});
    case TokenKind::False:
      advance();
      return make(expr::Bool{false});
    case TokenKind::Nothing:
      advance();
      return nothing();
    case TokenKind::Identifier:
      return parse_identifier_primary();
    case TokenKind::LeftParen: {
      advance();
      PX_TRY(Expression inner, parse_expression());
      PX_CHECK(expect(Token(TokenKind::RightParen)));
      return inner;
    }
    case TokenKind::LeftBracket:
      return parse_list();
    case TokenKind::LeftBrace:
      return parse_map();
    case TokenKind::Reason:
      return parse_reason();
    case TokenKind::Recall:
      return parse_recall_call();
    case TokenKind::Find:
      return parse_find();
    case TokenKind::Rethink:
      return parse_rethink();
    case TokenKind::Compare:
      return parse_compare();
    case TokenKind::Debate:
      return parse_debate();
    case TokenKind::Blend:
      return parse_blend();
    case TokenKind::Imagine:
      return parse_imagine();
    case TokenKind::Translate:
      return parse_translate();
    case TokenKind::Sense: {
      advance();
      PX_TRY(Expression subject, parse_expression());
      return make(expr::SenseExpr{std::move(subject)});
    }
    case TokenKind::Summarize: {
      advance();
      PX_TRY(Expression subject, parse_expression());
      return make(expr::SummarizeExpr{std::move(subject), std::nullopt});
    }
    case TokenKind::Otherwise:
      advance();
      return make(expr::Identifier{"otherwise"});
    case TokenKind::Today:
      advance();
      return make(expr::Identifier{"today"});
    case TokenKind::Now:
      advance();
      return make(expr::Identifier{"now"});
    default:
      return fail_found("a value");
  }
}

// identifier_primary -> "sum" "of" expression | Identifier "(" args ")" | Identifier
Parsed<Expression> Parser::parse_identifier_primary() {
  std::string name(current().text());
  advance();
  if (name == "sum") {
    PX_CHECK(expect(Token(TokenKind::Of)));
    PX_TRY(Expression collection, parse_expression());
    return make(expr::SumOf{std::move(collection)});
  }
  if (!at(TokenKind::LeftParen)) return make(expr::Identifier{std::move(name)});
  PX_TRY(auto args, parse_call_args());
  return make(expr::FunctionCall{std::move(name), std::move(args)});
}

// args -> "(" { expression [ "," ] } ")"
Parsed<std::vector<Expression>> Parser::parse_call_args() {
  advance();
  std::vector<Expression> args;
  while (!at(TokenKind::RightParen) && !at(TokenKind::Eof)) {
    PX_TRY(Expression arg, parse_expression());
    args.push_back(std::move(arg));
    if (at(TokenKind::Comma)) advance();
  }
  PX_CHECK(expect(Token(TokenKind::RightParen)));
  return args;
}

// list -> "[" { expression [ "," ] } "]"
Parsed<Expression> Parser::parse_list() {
  advance();
  std::vector<Expression> items;
  while (!at(TokenKind::RightBracket) && !at(TokenKind::Eof)) {
    PX_TRY(Expression item, parse_expression());
    items.push_back(std::move(item));
    if (at(TokenKind::Comma)) advance();
  }
  PX_CHECK(expect(Token(TokenKind::RightBracket)));
  return make(expr::List{std::move(items)});
}

// map -> "{" { Identifier ":" expression [ "," ] } "}"
Parsed<Expression> Parser::parse_map() {
  advance();
  std::vector<std::pair<std::string, Expression>> entries;
  while (!at(TokenKind::RightBrace) && !at(TokenKind::Eof)) {
    PX_TRY(std::string key, expect_identifier());
    PX_CHECK(expect(Token(TokenKind::Colon)));
    PX_TRY(Expression value, parse_expression());
    entries.emplace_back(std::move(key), std::move(value));
    if (at(TokenKind::Comma)) advance();
  }
  PX_CHECK(expect(Token(TokenKind::RightBrace)));
  return make(expr::Map{std::move(entries)});
}

// reason -> "reason" [ "about" ] expression [ ":" rest_of_line ]
Parsed<Expression> Parser::parse_reason() {
  advance();
  if (at(TokenKind::About)) advance();
  PX_TRY(Expression about, parse_expression());
  std::optional<std::string> action;
  if (at(TokenKind::Colon)) {
    advance();
    action = rest_of_line();
  }
  // A reason written inline sets only its subject and action; the other settings stay empty.
  return make(ReasonExpr{std::nullopt,
                         std::move(about),
                         std::move(action),
                         {},
                         {},
                         std::nullopt,
                         std::nullopt,
                         false,
                         false,
                         std::nullopt,
                         std::nullopt,
                         std::nullopt,
                         std::nullopt,
                         {},
                         {},
                         {}});
}

// recall_call -> "recall" [ Identifier ] [ "about" [ Identifier ] ]
Parsed<Expression> Parser::parse_recall_call() {
  advance();
  std::string name = "memory";
  if (at(TokenKind::Identifier)) {
    name = current().text();
    advance();
  }
  std::vector<Expression> args;
  if (at(TokenKind::About)) {
    advance();
    std::string about;
    if (at(TokenKind::Identifier)) {
      about = current().text();
      advance();
    }
    args.push_back(make(expr::Identifier{std::move(about)}));
  }
  return make(expr::FunctionCall{"recall_" + name, std::move(args)});
}

// find -> "find" Identifier [ "where" expression ]
Parsed<Expression> Parser::parse_find() {
  advance();
  PX_TRY(std::string record, expect_identifier());
  std::vector<Expression> args;
  if (at(TokenKind::Where)) {
    advance();
    PX_TRY(Expression condition, parse_expression());
    args.push_back(std::move(condition));
  }
  return make(expr::FunctionCall{"find_" + record, std::move(args)});
}

// rethink -> "rethink" expression [ ":" rest_of_line ]
Parsed<Expression> Parser::parse_rethink() {
  advance();
  PX_TRY(Expression original, parse_expression());
  std::vector<std::string> challenges;
  if (at(TokenKind::Colon)) {
    advance();
    challenges.push_back(rest_of_line());
  }
  return make(expr::RethinkExpr{std::move(original), std::move(challenges)});
}

// compare -> "compare" primary "and" primary [ ":" rest_of_line ]
Parsed<Expression> Parser::parse_compare() {
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));  // the operands are primaries, which may be compare forms again
  advance();
  PX_TRY(Expression left, parse_primary());
  PX_CHECK(expect(Token(TokenKind::And)));
  PX_TRY(Expression right, parse_primary());
  std::vector<std::string> criteria;
  if (at(TokenKind::Colon)) {
    advance();
    criteria.push_back(rest_of_line());
  }
  return make(expr::CompareExpr{std::move(left), std::move(right), std::move(criteria)});
}

// debate -> "debate" String [ ":" anything to the end of the line ]
Parsed<Expression> Parser::parse_debate() {
  advance();
  PX_TRY(std::string topic, expect_string());
  if (at(TokenKind::Colon)) {
    advance();
    skip_line();
  }
  return make(expr::DebateExpr{std::move(topic), 3});
}

// blend -> "blend" expression { "," expression }
Parsed<Expression> Parser::parse_blend() {
  advance();
  std::vector<Expression> sources;
  while (true) {
    PX_TRY(Expression source, parse_expression());
    sources.push_back(std::move(source));
    if (!at(TokenKind::Comma)) break;
    advance();
  }
  return make(expr::BlendExpr{std::move(sources)});
}

// imagine -> "imagine" ":" rest_of_line
Parsed<Expression> Parser::parse_imagine() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Colon)));
  return make(expr::ImagineExpr{rest_of_line(), {}});
}

// translate -> "translate" expression [ "to" String ]
Parsed<Expression> Parser::parse_translate() {
  advance();
  PX_TRY(Expression subject, parse_expression());
  std::string language;
  if (at(TokenKind::To)) {
    advance();
    PX_TRY(language, expect_string());
  }
  return make(expr::TranslateExpr{std::move(subject), std::move(language)});
}

}  // namespace pellix
