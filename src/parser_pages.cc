// Page blocks: interface items and their nested blocks.
#include <utility>

#include "parser.h"

namespace pellix {
namespace {

constexpr std::string_view kExpectedPageItem =
    "page item (title, text, show, form, button, beside, if)";
constexpr std::string_view kDefaultDisplayType = "detail";
constexpr std::string_view kDefaultButtonStyle = "primary";

PageItem make(PageItem::Variant node) { return PageItem{std::move(node)}; }

// The style keywords a modifier may name, with their spelling.
struct StyleWord {
  TokenKind token;
  std::string_view name;
};
constexpr StyleWord kStyleWords[] = {
    {TokenKind::Primary, "primary"}, {TokenKind::Secondary, "secondary"},
    {TokenKind::Muted, "muted"},     {TokenKind::Urgent, "urgent"},
    {TokenKind::Danger, "danger"},
};

}  // namespace

// item_block -> ":"-introduced Indent { Newline | page_item } ( Dedent | Eof )
Parsed<std::vector<PageItem>> Parser::parse_item_block() {
  NestingScope scope(depth_);
  PX_CHECK(deeper(scope));
  PX_CHECK(expect_indent());
  std::vector<PageItem> items;
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    PX_TRY(PageItem item, parse_page_item());
    items.push_back(std::move(item));
  }
  end_block();
  return items;
}

Parsed<PageItem> Parser::parse_page_item() {
  if (at_word("title")) {
    advance();
    PX_CHECK(expect(Token(TokenKind::Is)));
    PX_TRY(std::string text, expect_string());
    return make(page::Title{std::move(text)});
  }
  if (at(TokenKind::Text)) {
    advance();
    PX_TRY(Expression content, parse_expression());
    return make(page::Text{std::move(content)});
  }
  if (at(TokenKind::Show)) return parse_show();
  if (at(TokenKind::Form)) return parse_form();
  if (at(TokenKind::Button)) return parse_button();
  if (at(TokenKind::Beside)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::Colon)));
    PX_TRY(auto items, parse_item_block());
    return make(page::Beside{std::move(items)});
  }
  if (at_word("card")) return parse_card();
  if (at_word("panels")) return parse_panels();
  if (at_word("divider")) {
    advance();
    return make(page::Divider{});
  }
  if (at_word("spacer")) {
    advance();
    return make(page::Spacer{});
  }
  if (at(TokenKind::If)) return parse_conditional_item();
  return fail_found(kExpectedPageItem);
}

std::optional<std::string> Parser::style_word() const {
  if (at(TokenKind::Identifier)) return std::string(current().text());
  for (const StyleWord& style : kStyleWords) {
    if (at(style.token)) return std::string(style.name);
  }
  return std::nullopt;
}

// The block under a show item is read and ignored, nested blocks included.
void Parser::skip_indented_block() {
  std::size_t open = 0;
  while (!at(TokenKind::Eof)) {
    if (at(TokenKind::Indent)) ++open;
    if (at(TokenKind::Dedent)) {
      if (open == 0) {
        advance();
        return;
      }
      --open;
    }
    advance();
  }
}

// show -> "show" expression [ "as" Identifier ] { "," option } [ ":" ignored_block ]
Parsed<PageItem> Parser::parse_show() {
  advance();
  PX_TRY(Expression expression, parse_expression());
  ShowDecl show{std::move(expression), std::string(kDefaultDisplayType), {}, {}, {}, {}};
  if (at(TokenKind::As)) {
    advance();
    PX_TRY(show.display_type, expect_identifier());
  }
  while (at(TokenKind::Comma)) {
    advance();
    if (at_word("label")) {
      advance();
      PX_TRY(std::string label, expect_string());
      show.options.push_back(ShowOption{std::move(label)});
    } else if (auto style = style_word()) {
      advance();
      show.modifier = std::move(style);
    } else {
      break;
    }
  }
  if (at(TokenKind::Colon)) {
    advance();
    PX_CHECK(expect_indent());
    skip_indented_block();
  }
  return make(page::Show{std::move(show)});
}

// form -> "form" [ String ] ":" Indent { input_line | submit_line | other line } Dedent
Parsed<PageItem> Parser::parse_form() {
  advance();
  FormDecl form;
  if (at(TokenKind::StringLit)) {
    form.name = std::string(current().text());
    advance();
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (at(TokenKind::Input)) {
      PX_TRY(InputDecl input, parse_input());
      form.inputs.push_back(std::move(input));
    } else if (at(TokenKind::Submit)) {
      PX_TRY(form.submit, parse_submit());
    } else {
      skip_line();
    }
  }
  end_block();
  return make(page::Form{std::move(form)});
}

// input -> "input" Identifier "as" type { "," ( "required" | "default" expression
//          | "label" String | Identifier ) }
Parsed<InputDecl> Parser::parse_input() {
  advance();
  PX_TRY(std::string name, expect_identifier());
  PX_CHECK(expect(Token(TokenKind::As)));
  PX_TRY(FieldType type, parse_type());
  InputDecl input{std::move(name), std::move(type), std::nullopt, false, std::nullopt};
  while (at(TokenKind::Comma)) {
    advance();
    if (at_word("required")) {
      advance();
      input.required = true;
    } else if (at_word("default")) {
      advance();
      PX_TRY(input.default_value, parse_expression());
    } else if (at_word("label")) {
      advance();
      PX_TRY(input.label, expect_string());
    } else if (at(TokenKind::Identifier)) {
      advance();
    } else {
      break;
    }
  }
  return input;
}

// submit -> "submit" String [ "calls" [ "flow" ] Identifier ]
Parsed<SubmitDecl> Parser::parse_submit() {
  advance();
  PX_TRY(std::string label, expect_string());
  SubmitDecl submit{std::move(label), ""};
  if (at_word("calls")) {
    advance();
    if (at(TokenKind::Flow)) advance();
    PX_TRY(submit.calls, expect_identifier());
  }
  return submit;
}

// button -> "button" String [ "calls" [ "flow" ] Identifier | "opens" "page" String ]
//           [ "," style ]
Parsed<PageItem> Parser::parse_button() {
  advance();
  PX_TRY(std::string label, expect_string());
  ButtonDecl button{std::move(label), ButtonAction{action::Calls{""}}, std::nullopt};
  if (at_word("calls")) {
    advance();
    if (at(TokenKind::Flow)) advance();
    PX_TRY(std::string flow, expect_identifier());
    button.action.node = action::Calls{std::move(flow)};
  } else if (at_word("opens")) {
    advance();
    PX_CHECK(expect(Token(TokenKind::Page)));
    PX_TRY(std::string page_name, expect_string());
    button.action.node = action::Opens{std::move(page_name)};
  }
  if (at(TokenKind::Comma)) {
    advance();
    button.modifier = style_word().value_or(std::string(kDefaultButtonStyle));
    advance();  // whatever the token was, it is the style
  }
  return make(page::Button{std::move(button)});
}

// card -> "card" [ String ] [ "," style ] ":" item_block
Parsed<PageItem> Parser::parse_card() {
  advance();
  CardDecl card;
  if (at(TokenKind::StringLit)) {
    card.title = Expression{expr::StringLit{std::string(current().text())}};
    advance();
  }
  if (at(TokenKind::Comma)) {
    advance();
    if (auto style = style_word()) {
      advance();
      card.modifier = std::move(style);
    }
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(card.body, parse_item_block());
  return make(page::Card{std::move(card)});
}

// panels -> "panels" ":" Indent { panel | other line } Dedent
Parsed<PageItem> Parser::parse_panels() {
  advance();
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_CHECK(expect_indent());
  std::vector<PanelDecl> panels;
  while (true) {
    skip_newlines();
    if (at_block_end()) break;
    if (!at_word("panel")) {
      skip_line();
      continue;
    }
    PX_TRY(PanelDecl panel, parse_panel());
    panels.push_back(std::move(panel));
  }
  end_block();
  return make(page::Panels{std::move(panels)});
}

// panel -> "panel" [ String ] [ "," Identifier ] ":" item_block
Parsed<PanelDecl> Parser::parse_panel() {
  advance();
  PanelDecl panel;
  if (at(TokenKind::StringLit)) {
    panel.title = std::string(current().text());
    advance();
  }
  if (at(TokenKind::Comma)) {
    advance();
    if (at(TokenKind::Identifier)) {
      panel.size = std::string(current().text());
      advance();
    }
  }
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(panel.body, parse_item_block());
  return panel;
}

// conditional -> "if" expression ":" item_block [ "otherwise" ":" item_block ]
Parsed<PageItem> Parser::parse_conditional_item() {
  advance();
  PX_TRY(Expression condition, parse_expression());
  PX_CHECK(expect(Token(TokenKind::Colon)));
  PX_TRY(auto then_body, parse_item_block());
  page::Conditional node{std::move(condition), std::move(then_body), {}};
  skip_newlines();
  if (at(TokenKind::Otherwise)) {
    advance();
    PX_CHECK(expect(Token(TokenKind::Colon)));
    PX_TRY(node.else_body, parse_item_block());
  }
  return make(std::move(node));
}

}  // namespace pellix
