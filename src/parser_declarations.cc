// Declarations, parameters and type words.
#include <utility>

#include "parser.h"

namespace pellix {
namespace {

constexpr std::string_view kExpectedDeclaration =
    "a declaration (app, record, agent, team, to, job, flow, page, use, always, choices)";

Declaration make(Declaration::Variant node) { return Declaration{std::move(node)}; }

// Type words that stand alone, as identifiers.
struct TypeWord {
  std::string_view word;
  FieldTypeKind kind;
};
constexpr TypeWord kSimpleTypeWords[] = {
    {"int", FieldTypeKind::Int},           {"number", FieldTypeKind::Number},
    {"currency", FieldTypeKind::Currency}, {"percentage", FieldTypeKind::Percentage},
    {"bool", FieldTypeKind::Bool},         {"email", FieldTypeKind::Email},
    {"phone", FieldTypeKind::Phone},       {"link", FieldTypeKind::Link},
    {"file", FieldTypeKind::File},         {"files", FieldTypeKind::Files},
    {"image", FieldTypeKind::Image},       {"pdf", FieldTypeKind::Pdf},
    {"csv", FieldTypeKind::Csv},           {"address", FieldTypeKind::Address},
    {"color", FieldTypeKind::Color},       {"signature", FieldTypeKind::Signature},
};

}  // namespace

Parsed<Declaration> Parser::parse_declaration() {
  switch (current().kind()) {
    case TokenKind::App:
      return parse_app();
    case TokenKind::Record:
      return parse_record();
    case TokenKind::Agent:
      return parse_agent();
    case TokenKind::Team:
      return parse_team();
    case TokenKind::To:
    case TokenKind::Flow: {
      const bool is_flow = at(TokenKind::Flow);
      PX_TRY(JobDecl parsed, parse_job());
      if (is_flow) {
        return make(
            FlowDecl{std::move(parsed.name), std::move(parsed.params), std::move(parsed.body)});
      }
      return make(
          FunctionDecl{std::move(parsed.name), std::move(parsed.params), std::move(parsed.body)});
    }
    case TokenKind::Job: {
      PX_TRY(JobDecl job, parse_job());
      return make(std::move(job));
    }
    case TokenKind::Page:
      return parse_page();
    case TokenKind::Use:
      return parse_use();
    case TokenKind::Always:
      return parse_always();
    case TokenKind::Choices:
      return parse_choices();
    default:
      return fail_found(kExpectedDeclaration);
  }
}

// app -> "app" String [ Newline Indent { Identifier "is" Identifier } Dedent ]
Parsed<Declaration> Parser::parse_app() {
  advance();
  PX_TRY(std::string name, expect_string());
  AppDecl app{std::move(name), std::nullopt, std::nullopt, std::nullopt};
  if (!at(TokenKind::Newline)) return make(std::move(app));
  skip_newlines();
  if (!at(TokenKind::Indent)) return make(std::move(app));
  advance();
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    PX_TRY(std::string key, expect_identifier());
    PX_CHECK(expect(Token(TokenKind::Is)));
    PX_TRY(std::string value, expect_identifier());
    if (key == "theme") app.theme = std::move(value);
    if (key == "accent") app.accent = std::move(value);
  }
  end_block();
  return make(std::move(app));
}

// record -> "record" Identifier ":" Indent { "track" "changes" | field } Dedent
Parsed<Declaration> Parser::parse_record() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  RecordDecl record{std::move(name), {}, false};
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (at(TokenKind::Track)) {
      advance();
      PX_CHECK(expect(Token::identifier("changes")));
      record.track_changes = true;
      continue;
    }
    PX_TRY(FieldDecl field, parse_field());
    record.fields.push_back(std::move(field));
  }
  end_block();
  return make(std::move(record));
}

// field -> Identifier "is" type { "," ( "required" | "default" expression | "must" words ) }
Parsed<FieldDecl> Parser::parse_field() {
  PX_TRY(std::string name, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Is)));
  PX_TRY(FieldType type, parse_type());
  FieldDecl field{std::move(name), std::move(type), false, std::nullopt, {}};
  while (at(TokenKind::Comma)) {
    advance();
    if (at_word("required")) {
      advance();
      field.required = true;
    } else if (at_word("default")) {
      advance();
      PX_TRY(field.default_value, parse_expression());
    } else if (at_word("must")) {
      advance();
      std::string constraint = "must";
      while (!at(TokenKind::Comma) && !at_line_end()) {
        constraint += ' ';
        append_debug_text(constraint, current());
        advance();
      }
      field.constraints.push_back(std::move(constraint));
    } else {
      break;  // the comma stays consumed; the next line's parse meets this token
    }
  }
  return field;
}

// agent -> "agent" Identifier [ "uses" String ] ":" Indent { agent_line } Dedent
Parsed<Declaration> Parser::parse_agent() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  AgentDecl agent;
  agent.name = std::move(name);
  if (at(TokenKind::Uses)) {
    advance();
    PX_TRY(agent.model, expect_string());
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    PX_CHECK(parse_agent_line(agent));
  }
  end_block();
  return make(std::move(agent));
}

Parsed<void> Parser::parse_agent_line(AgentDecl& agent) {
  if (at_word("remembers")) {
    advance();
    if (at(TokenKind::Across)) advance();
    if (at(TokenKind::Sessions)) advance();
    agent.remembers = true;
  } else if (at(TokenKind::Can)) {
    advance();
    PX_TRY(agent.capabilities, name_list());
  } else if (at(TokenKind::Costs)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::At)));
    PX_CHECK(expect(Token(TokenKind::Most)));
    PX_TRY(double amount, number());
    PX_CHECK(expect(Token(TokenKind::Per)));
    PX_TRY(std::string per, expect_identifier());
    agent.cost_limit = CostLimit{amount, std::move(per)};
  } else if (at(TokenKind::Allow)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::At)));
    PX_CHECK(expect(Token(TokenKind::Most)));
    if (!at(TokenKind::Integer)) return fail_found("an integer");
    const std::int64_t count = current().integer_value();
    advance();
    PX_CHECK(expect(Token(TokenKind::Per)));
    PX_TRY(std::string per, expect_identifier());
    agent.rate_limit = RateLimit{count, std::move(per)};
  } else if (at(TokenKind::Rules)) {
    PX_TRY(agent.rules, parse_rules());
  } else if (at(TokenKind::Job)) {
    PX_TRY(JobDecl job, parse_job());
    agent.jobs.push_back(std::move(job));
  } else if (at(TokenKind::Narrate)) {
    agent.narrate = true;
    skip_line();
  } else {
    skip_line();
  }
  return {};
}

// rules -> "rules" ":" Indent { ( "always" | word ) rest_of_line } Dedent
Parsed<std::vector<RuleDecl>> Parser::parse_rules() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  std::vector<RuleDecl> rules;
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    const RuleKind kind = at(TokenKind::Always) ? RuleKind::Always : RuleKind::Never;
    advance();
    rules.push_back(RuleDecl{kind, rest_of_line()});
  }
  end_block();
  return rules;
}

// team -> "team" Identifier "is" name_list
Parsed<Declaration> Parser::parse_team() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Is)));
  PX_TRY(auto agents, name_list());
  return make(TeamDecl{std::move(name), std::move(agents)});
}

// job -> ( "job" | "flow" | "to" ) Identifier params ":" block
Parsed<JobDecl> Parser::parse_job() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  PX_TRY(auto params, parse_params());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(Body body, parse_block());
  return JobDecl{std::move(name), std::move(params), std::move(body)};
}

// page -> "page" String [ "given" Identifier [ "as" type ] ] ":" item_block
Parsed<Declaration> Parser::parse_page() {
  advance();
  PX_TRY(std::string name, expect_string());
  std::optional<Param> param;
  if (at(TokenKind::Given)) {
    advance();
    PX_TRY(std::string param_name, expect_identifier());
    param = Param{std::move(param_name), std::nullopt};
    if (at(TokenKind::As)) {
      advance();
      PX_TRY(param->param_type, parse_type());
    }
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(auto body, parse_item_block());
  return make(PageDecl{std::move(name), std::move(param), std::move(body)});
}

// use -> "use" String | "use" Identifier { "," Identifier } "from" String
Parsed<Declaration> Parser::parse_use() {
  advance();
  if (at(TokenKind::StringLit)) {
    PX_TRY(std::string path, expect_string());
    return make(UseDecl{std::move(path), std::nullopt});
  }
  std::vector<std::string> items;
  while (true) {
    PX_TRY(std::string item, expect_identifier());
    items.push_back(std::move(item));
    if (!at(TokenKind::Comma)) break;
    advance();
  }
  PX_CHECK(expect(Token(TokenKind::From)));
  PX_TRY(std::string path, expect_string());
  return make(UseDecl{std::move(path), std::move(items)});
}

// always -> "always" Identifier "=" expression
Parsed<Declaration> Parser::parse_always() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Equals)));
  PX_TRY(Expression value, parse_expression());
  return make(AlwaysDecl{std::move(name), std::move(value)});
}

// choices -> "choices" Identifier "is" String { "," String }
Parsed<Declaration> Parser::parse_choices() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::Is)));
  std::vector<std::string> options;
  while (true) {
    PX_TRY(std::string option, expect_string());
    options.push_back(std::move(option));
    if (!at(TokenKind::Comma)) break;
    advance();
  }
  return make(ChoicesDecl{std::move(name), std::move(options)});
}

// params -> [ "given" param { "," param } ],  param -> Identifier [ "as" type ]
Parsed<std::vector<Param>> Parser::parse_params() {
  std::vector<Param> params;
  if (!at(TokenKind::Given)) return params;
  advance();
  while (true) {
    PX_TRY(std::string name, expect_identifier());
    Param param{std::move(name), std::nullopt};
    if (at(TokenKind::As)) {
      advance();
      PX_TRY(param.param_type, parse_type());
    }
    params.push_back(std::move(param));
    if (!at(TokenKind::Comma)) break;
    advance();
  }
  return params;
}

// type -> "text" | "secret" "text" | a type word | "list" [ "of" type ] | Identifier
Parsed<FieldType> Parser::parse_type() {
  if (at(TokenKind::Text)) {
    advance();
    return FieldType::plain(FieldTypeKind::Text);
  }
  if (at(TokenKind::Secret)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::Text)));
    return FieldType::plain(FieldTypeKind::SecretText);
  }
  if (!at(TokenKind::Identifier)) return fail_found("a type");
  const std::string word(current().text());
  advance();
  return parse_type_word(word);
}

// The type words after their first word has been read.
Parsed<FieldType> Parser::parse_type_word(std::string_view word) {
  for (const TypeWord& simple : kSimpleTypeWords) {
    if (word == simple.word) return FieldType::plain(simple.kind);
  }
  if (word == "long") {
    PX_CHECK(expect(Token(TokenKind::Text)));
    return FieldType::plain(FieldTypeKind::LongText);
  }
  if (word == "whole") {
    if (at_word("number")) advance();
    return FieldType::plain(FieldTypeKind::WholeNumber);
  }
  if (word == "date") {
    if (!at(TokenKind::And)) return FieldType::plain(FieldTypeKind::Date);
    advance();
    if (!at_word("time")) return FieldType::plain(FieldTypeKind::Date);
    advance();
    return FieldType::plain(FieldTypeKind::DateTime);
  }
  if (word == "time") {
    if (at_word("span")) advance();
    return FieldType::plain(FieldTypeKind::TimeSpan);
  }
  if (word == "yes") {
    PX_CHECK(expect(Token(TokenKind::Or)));
    if (at_word("no")) advance();
    return FieldType::plain(FieldTypeKind::YesOrNo);
  }
  if (word == "list") {
    if (!at(TokenKind::Of)) return FieldType::list_of(FieldType::plain(FieldTypeKind::Text));
    advance();
    NestingScope scope(depth_);
    PX_CHECK(deeper(scope));
    PX_TRY(FieldType element, parse_type());
    return FieldType::list_of(std::move(element));
  }
  return FieldType::custom(std::string(word));
}

}  // namespace pellix
