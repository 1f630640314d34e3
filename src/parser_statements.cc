// Statements: chosen by their first token; anything unrecognised is an expression statement.
#include <utility>

#include "parser.h"

namespace pellix {
namespace {

Statement make(Statement::Variant node) { return Statement{std::move(node)}; }

Expression identifier(std::string name) { return Expression{expr::Identifier{std::move(name)}}; }

// The confidence levels an arm of `match confidence of` may name, with their spelling.
struct ConfidenceLevel {
  TokenKind token;
  std::string_view name;
};
constexpr ConfidenceLevel kConfidenceLevels[] = {
    {TokenKind::Certain, "certain"},   {TokenKind::Confident, "confident"},
    {TokenKind::Probable, "probable"}, {TokenKind::Uncertain, "uncertain"},
    {TokenKind::Doubtful, "doubtful"},
};

constexpr int kTimeoutSeconds = 30;

}  // namespace

// block -> Indent { Newline | statement } ( Dedent | Eof )
Parsed<Body> Parser::parse_block() {
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));
  PX_CHECK(expect_indent());
  Body body;
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    PX_TRY(Statement statement, parse_statement());
    body.push_back(std::move(statement));
  }
  end_block();
  return body;
}

Parsed<Statement> Parser::parse_statement() {
  switch (current().kind()) {
    case TokenKind::Identifier:
      return parse_identifier_statement();
    case TokenKind::Change:
      return parse_change();
    case TokenKind::If:
      return parse_if();
    case TokenKind::Match:
      return parse_match();
    case TokenKind::For:
      return parse_for_each();
    case TokenKind::Repeat:
      return parse_repeat();
    case TokenKind::Return: {
      advance();
      PX_TRY(Expression value, parse_expression());
      return make(stmt::Return{std::move(value)});
    }
    case TokenKind::Need:
      return parse_need();
    case TokenKind::Try:
      return parse_try();
    case TokenKind::Assume:
      return parse_assume();
    case TokenKind::Pretend: {
      PX_TRY(Body body, parse_keyword_block());
      return make(stmt::Pretend{std::move(body)});
    }
    case TokenKind::Together: {
      PX_TRY(Body body, parse_keyword_block());
      return make(stmt::Together{std::move(body)});
    }
    case TokenKind::Stop:
      advance();
      return make(stmt::Stop{});
    case TokenKind::Undo:
      advance();
      return make(stmt::Undo{});
    case TokenKind::Check:
      return parse_check();
    case TokenKind::Remember:
      return parse_remember();
    case TokenKind::Recall:
      return parse_recall_statement();
    case TokenKind::Forget:
      return parse_forget();
    case TokenKind::Teach: {
      advance();
      PX_TRY(std::string lesson, expect_string());
      return make(stmt::Teach{std::move(lesson)});
    }
    case TokenKind::Narrate: {
      advance();
      PX_TRY(Expression message, parse_expression());
      return make(stmt::Narrate{std::move(message)});
    }
    case TokenKind::Log:
      return parse_log();
    case TokenKind::Flag:
      return parse_flag();
    case TokenKind::Notify:
      return parse_notify();
    case TokenKind::Send:
      return parse_send();
    case TokenKind::Call:
      return parse_call_api();
    case TokenKind::Run:
      return parse_run();
    case TokenKind::Create:
      return parse_create();
    case TokenKind::Update:
      return parse_update();
    case TokenKind::Delete:
      return parse_delete();
    case TokenKind::Add:
      return parse_add();
    case TokenKind::Remove:
      return parse_remove();
    default: {
      PX_TRY(Expression expression, parse_expression());
      return make(stmt::ExprStatement{std::move(expression)});
    }
  }
}

// A statement that starts with a name ends right after it unless "=" or "(" follows, so
// "x + 1" on its own line fails at the "+".
Parsed<Statement> Parser::parse_identifier_statement() {
  std::string name(current().text());
  if (peek_next().kind() == TokenKind::Equals) {
    advance();
    advance();
    PX_TRY(Expression value, parse_expression());
    return make(stmt::Assignment{std::move(name), std::move(value)});
  }
  advance();
  if (!at(TokenKind::LeftParen)) return make(stmt::ExprStatement{identifier(std::move(name))});
  PX_TRY(auto args, parse_call_args());
  return make(
      stmt::ExprStatement{Expression{expr::FunctionCall{std::move(name), std::move(args)}}});
}

// change -> "change" Identifier [ "." Identifier ] "to" expression
Parsed<Statement> Parser::parse_change() {
  advance();
  PX_TRY(std::string target, expect_identifier());
  std::optional<std::string> field;
  if (at(TokenKind::Dot)) {
    advance();
    PX_TRY(field, expect_identifier());
  }
  PX_CHECK(expect(Token(TokenKind::To)));
  PX_TRY(Expression value, parse_expression());
  return make(stmt::Change{std::move(target), std::move(field), std::move(value)});
}

// if -> "if" expression ":" block { "else" "if" expression ":" block } [ "otherwise" ":" block ]
Parsed<Statement> Parser::parse_if() {
  advance();
  PX_TRY(Expression condition, parse_expression());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(Body then_body, parse_block());
  stmt::If node{std::move(condition), std::move(then_body), {}, {}};
  while (true) {
    skip_newlines();
    if (!at(TokenKind::Else)) break;
    advance();
    PX_CHECK(expect(Token(TokenKind::If)));
    PX_TRY(Expression else_condition, parse_expression());
    PX_CHECK(expect(Token(TokenKind::Colon)));
    PX_TRY(Body body, parse_block());
    node.else_ifs.emplace_back(std::move(else_condition), std::move(body));
  }
  if (at(TokenKind::Otherwise)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::Colon)));
    PX_TRY(node.else_body, parse_block());
  }
  return make(std::move(node));
}

// match -> "match" expression ":" Indent { pattern "->" statement } Dedent
//        | "match" "confidence" "of" expression ":" Indent { level "->" statement } Dedent
Parsed<Statement> Parser::parse_match() {
  advance();
  if (at(TokenKind::Confidence)) return parse_confidence_match();
  PX_TRY(Expression subject, parse_expression());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));
  PX_CHECK(expect_indent());
  stmt::Match node{std::move(subject), {}};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    PX_TRY(Expression pattern, parse_expression());
    PX_CHECK(expect(Token(TokenKind::Arrow)));
    PX_TRY(Statement statement, parse_statement());
    Body body;
    body.push_back(std::move(statement));
    node.arms.push_back(MatchArm{std::move(pattern), std::move(body)});
  }
  end_block();
  return make(std::move(node));
}

Parsed<Statement> Parser::parse_confidence_match() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Of)));
  PX_TRY(Expression subject, parse_expression());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));
  PX_CHECK(expect_indent());
  stmt::ConfidenceMatch node{std::move(subject), {}};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    std::string level;
    for (const ConfidenceLevel& known : kConfidenceLevels) {
      if (at(known.token)) level = known.name;
    }
    if (level.empty()) {
      PX_TRY(level, expect_identifier());
    } else {
      advance();
    }
    PX_CHECK(expect(Token(TokenKind::Arrow)));
    PX_TRY(Statement statement, parse_statement());
    Body body;
    body.push_back(std::move(statement));
    node.arms.push_back(ConfidenceArm{std::move(level), std::move(body)});
  }
  end_block();
  return make(std::move(node));
}

// for_each -> "for" "each" Identifier "in" expression [ "where" expression ] ":" block
Parsed<Statement> Parser::parse_for_each() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Each)));
  PX_TRY(std::string item, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::In)));
  PX_TRY(Expression collection, parse_expression());
  std::optional<Expression> filter;
  if (at(TokenKind::Where)) {
    advance();
    PX_TRY(filter, parse_expression());
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(Body body, parse_block());
  return make(
      stmt::ForEach{std::move(item), std::move(collection), std::move(filter), std::move(body)});
}

// repeat -> "repeat" "until" expression ":" block | "repeat" expression [ "times" ] ":" block
Parsed<Statement> Parser::parse_repeat() {
  advance();
  stmt::Repeat node;
  if (at(TokenKind::Until)) {
    advance();
    PX_TRY(node.until, parse_expression());
  } else {
    PX_TRY(node.count, parse_expression());
    if (at_word("times")) advance();
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(node.body, parse_block());
  return make(std::move(node));
}

// need -> "need" expression [ "otherwise" String ]
Parsed<Statement> Parser::parse_need() {
  advance();
  PX_TRY(Expression condition, parse_expression());
  std::optional<std::string> otherwise;
  if (at(TokenKind::Otherwise)) {
    advance();
    PX_TRY(otherwise, expect_string());
  }
  return make(stmt::Need{std::move(condition), std::move(otherwise)});
}

// Passes over the words of an `if …:` clause after `try`; they carry no meaning.
void Parser::skip_clause_words(bool stop_after_fails) {
  while (!at(TokenKind::Colon) && !at(TokenKind::Newline) && !at(TokenKind::Eof)) {
    const bool is_fails = at_word("fails");
    advance();
    if (stop_after_fails && is_fails) return;
  }
}

// try -> "try" ":" block [ "if" words ":" block ] [ "if" words ":" block ]
Parsed<Statement> Parser::parse_try() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(Body body, parse_block());
  stmt::Try node{std::move(body), {}, std::nullopt};
  skip_newlines();
  if (at(TokenKind::If)) {
    advance();
    skip_clause_words(true);
    if (at(TokenKind::Colon)) {
      advance();
      PX_TRY(node.on_fail, parse_block());
    }
  }
  skip_newlines();
  if (at(TokenKind::If)) {
    advance();
    skip_clause_words(false);
    if (at(TokenKind::Colon)) {
      advance();
      PX_TRY(Body on_timeout, parse_block());
      node.on_timeout.emplace(Expression{expr::Integer{kTimeoutSeconds}}, std::move(on_timeout));
    }
  }
  return make(std::move(node));
}

// assume -> "assume" expression [ "but" "if" [ "wrong" ] ":" block ]
Parsed<Statement> Parser::parse_assume() {
  advance();
  PX_TRY(Expression condition, parse_expression());
  stmt::Assume node{std::move(condition), {}};
  skip_newlines();
  if (at(TokenKind::But)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::If)));
    if (at_word("wrong")) advance();
    PX_CHECK(expect(Token(TokenKind::Colon)));
    PX_TRY(node.but_if_wrong, parse_block());
  }
  return make(std::move(node));
}

Parsed<Body> Parser::parse_keyword_block() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Colon)));
  return parse_block();
}

// check -> "check" expression [ ":" ( expression | Indent { check_line } Dedent ) ]
Parsed<Statement> Parser::parse_check() {
  advance();
  PX_TRY(Expression target, parse_expression());
  CheckExpr check{std::move(target), {}, {}, {}};
  if (!at(TokenKind::Colon)) return make(stmt::Check{std::move(check)});
  advance();
  if (at_line_end()) return parse_check_block(std::move(check));
  PX_TRY(Expression condition, parse_expression());
  check.conditions.push_back(CheckCondition{check::Custom{std::move(condition)}});
  return make(stmt::Check{std::move(check)});
}

// check_line -> "has" Identifier | "prove" "with" name_list | "otherwise" statement
//             | "confidence" "above" number | expression
Parsed<Statement> Parser::parse_check_block(CheckExpr check) {
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));
  PX_CHECK(expect_indent());
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (at_word("has")) {
      advance();
      PX_TRY(std::string field, expect_identifier());
      check.conditions.push_back(CheckCondition{check::HasField{std::move(field)}});
    } else if (at(TokenKind::Prove)) {
      advance();
      PX_CHECK(expect(Token(TokenKind::With)));
      PX_TRY(check.prove_with, name_list());
    } else if (at(TokenKind::Otherwise)) {
      advance();
      PX_TRY(Statement statement, parse_statement());
      check.otherwise.push_back(std::move(statement));
    } else if (at(TokenKind::Confidence)) {
      advance();
      PX_CHECK(expect(Token(TokenKind::Above)));
      PX_TRY(double threshold, number());
      check.conditions.push_back(CheckCondition{check::ConfidenceAbove{threshold}});
    } else {
      PX_TRY(Expression condition, parse_expression());
      check.conditions.push_back(CheckCondition{check::Custom{std::move(condition)}});
    }
  }
  end_block();
  return make(stmt::Check{std::move(check)});
}

// remember -> "remember" expression [ "about" Identifier { "." Identifier } ] [ "as" Identifier ]
Parsed<Statement> Parser::parse_remember() {
  advance();
  PX_TRY(Expression what, parse_expression());
  stmt::Remember node{std::move(what), std::nullopt, std::nullopt};
  if (at(TokenKind::About)) {
    advance();
    PX_TRY(std::string path, expect_identifier());
    while (at(TokenKind::Dot)) {
      advance();
      PX_TRY(std::string part, expect_identifier());
      path += '.';
      path += part;
    }
    node.about = std::move(path);
  }
  if (at(TokenKind::As)) {
    advance();
    PX_TRY(node.as_name, expect_identifier());
  }
  return make(std::move(node));
}

// recall -> "recall" Identifier [ "about" Identifier ] [ "from" [ "last" ] expression ]
Parsed<Statement> Parser::parse_recall_statement() {
  advance();
  PX_TRY(std::string what, expect_identifier());
  stmt::Recall node{std::move(what), std::nullopt, std::nullopt};
  if (at(TokenKind::About)) {
    advance();
    PX_TRY(node.about, expect_identifier());
  }
  if (at(TokenKind::From)) {
    advance();
    if (at(TokenKind::Last)) advance();
    PX_TRY(node.from_last, parse_expression());
  }
  return make(std::move(node));
}

// forget -> "forget" Identifier [ "about" Identifier ]
Parsed<Statement> Parser::parse_forget() {
  advance();
  PX_TRY(std::string what, expect_identifier());
  stmt::Forget node{std::move(what), std::nullopt};
  if (at(TokenKind::About)) {
    advance();
    PX_TRY(node.about, expect_identifier());
  }
  return make(std::move(node));
}

// log -> "log" expression [ "as" Identifier ]
Parsed<Statement> Parser::parse_log() {
  advance();
  PX_TRY(Expression message, parse_expression());
  std::optional<std::string> level;
  if (at(TokenKind::As)) {
    advance();
    PX_TRY(level, expect_identifier());
  }
  return make(stmt::Log{std::move(message), std::move(level)});
}

// After a comma, an identifier is the modifier; any other token ends the statement there.
std::optional<std::string> Parser::parse_modifier_after_comma() {
  if (!at(TokenKind::Comma)) return std::nullopt;
  advance();
  if (!at(TokenKind::Identifier)) return std::nullopt;
  std::string modifier(current().text());
  advance();
  return modifier;
}

// flag -> "flag" expression "as" String [ "," Identifier ]
Parsed<Statement> Parser::parse_flag() {
  advance();
  PX_TRY(Expression target, parse_expression());
  PX_CHECK(expect(Token(TokenKind::As)));
  PX_TRY(std::string label, expect_string());
  return make(stmt::Flag{std::move(target), std::move(label), parse_modifier_after_comma()});
}

// notify -> "notify" Identifier expression [ "," Identifier ]
Parsed<Statement> Parser::parse_notify() {
  advance();
  PX_TRY(std::string target, expect_identifier());
  PX_TRY(Expression message, parse_expression());
  return make(stmt::Notify{std::move(target), std::move(message), parse_modifier_after_comma()});
}

// send -> "send" Identifier "to" expression ":" Indent { field_line } Dedent
Parsed<Statement> Parser::parse_send() {
  advance();
  PX_TRY(std::string channel, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::To)));
  PX_TRY(Expression to, parse_expression());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  SendExpr send{std::move(channel), std::move(to), std::nullopt, Expression{expr::StringLit{""}}};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (at_word("body") || at_word("subject")) {
      const bool is_body = at_word("body");
      advance();
      PX_CHECK(expect(Token(TokenKind::Is)));
      PX_TRY(Expression value, parse_expression());
      if (is_body) {
        send.body = std::move(value);
      } else {
        send.subject = std::move(value);
      }
    } else {
      skip_line();
    }
  }
  end_block();
  return make(stmt::Send{std::move(send)});
}

// call -> "call" [ "api" ] String ":" Indent { keep_line | expires_line | field_line } Dedent
Parsed<Statement> Parser::parse_call_api() {
  advance();
  if (at_word("api")) advance();
  PX_TRY(std::string service, expect_string());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  CallApiExpr call{std::move(service), {}, std::nullopt, std::nullopt};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (at(TokenKind::Keep)) {
      call.keep_result_for = rest_of_line();  // from the keep token itself
    } else if (at(TokenKind::Expires)) {
      advance();
      PX_CHECK(expect(Token(TokenKind::After)));
      call.expires_after = rest_of_line();
    } else if (at(TokenKind::Identifier)) {
      std::string name(current().text());
      advance();
      PX_CHECK(expect(Token(TokenKind::Is)));
      PX_TRY(Expression value, parse_expression());
      call.fields.emplace_back(std::move(name), std::move(value));
    } else {
      skip_line();
    }
  }
  end_block();
  return make(stmt::CallApi{std::move(call)});
}

// run -> "run" Identifier Identifier [ expression { "," expression } ]
Parsed<Statement> Parser::parse_run() {
  advance();
  PX_TRY(std::string agent, expect_identifier());
  PX_TRY(std::string job, expect_identifier());
  std::vector<Expression> args;
  if (!at_line_end()) {
    while (true) {
      PX_TRY(Expression arg, parse_expression());
      args.push_back(std::move(arg));
      if (!at(TokenKind::Comma)) break;
      advance();
    }
  }
  return make(stmt::Run{std::move(agent), std::move(job), std::move(args)});
}

// create -> "create" Identifier ":" Indent { Identifier "is" expression } Dedent
Parsed<Statement> Parser::parse_create() {
  advance();
  PX_TRY(std::string record_type, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  CreateExpr create{std::move(record_type), {}};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    PX_TRY(std::string field, expect_identifier());
    PX_CHECK(expect(Token(TokenKind::Is)));
    PX_TRY(Expression value, parse_expression());
    create.fields.emplace_back(std::move(field), std::move(value));
  }
  end_block();
  return make(stmt::Create{std::move(create)});
}

// update -> "update" Identifier ":" Indent { "change" Identifier "to" expression } Dedent
Parsed<Statement> Parser::parse_update() {
  advance();
  PX_TRY(std::string target, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  UpdateExpr update{std::move(target), {}};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (!at(TokenKind::Change)) {
      skip_line();
      continue;
    }
    advance();
    PX_TRY(std::string field, expect_identifier());
    PX_CHECK(expect(Token(TokenKind::To)));
    PX_TRY(Expression value, parse_expression());
    update.changes.emplace_back(std::move(field), std::move(value));
  }
  end_block();
  return make(stmt::Update{std::move(update)});
}

// delete -> "delete" Identifier "where" expression
Parsed<Statement> Parser::parse_delete() {
  advance();
  PX_TRY(std::string record_type, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Where)));
  PX_TRY(Expression condition, parse_expression());
  return make(stmt::Delete{DeleteExpr{std::move(record_type), std::move(condition)}});
}

// add -> "add" expression "to" Identifier
Parsed<Statement> Parser::parse_add() {
  advance();
  PX_TRY(Expression item, parse_expression());
  PX_CHECK(expect(Token(TokenKind::To)));
  PX_TRY(std::string to, expect_identifier());
  return make(stmt::Add{std::move(item), std::move(to)});
}

// remove -> "remove" expression "from" Identifier
Parsed<Statement> Parser::parse_remove() {
  advance();
  PX_TRY(Expression item, parse_expression());
  PX_CHECK(expect(Token(TokenKind::From)));
  PX_TRY(std::string from, expect_identifier());
  return make(stmt::Remove{std::move(item), std::move(from)});
}

}  // namespace pellix
