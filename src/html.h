// The web app of a program: one self-contained HTML document with a sidebar that links every
// page, one section per page, a stylesheet themed from the app declaration and a script that
// switches pages and talks to the API server. The markup is static: expressions are shown as
// short texts and never evaluated; elements that hold data name their API source for the
// script.
//
// Every text taken from the program is escaped for where it lands (element text, a
// double-quoted attribute, a script string), and the script writes what the API sends with
// textContent, so neither a program nor a stored record can add markup to the page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ast.h"

namespace pellix {

// ---------------------------------------------------------------------------------------------
// The document, as the API server builds and serves it

// Nanoseconds since 1970 by the wall clock (negative before 1970).
using WallClock = std::int64_t (*)();

// The system's wall clock.
std::int64_t read_wall_clock();

// The names and colours a document is themed with. Colours are CSS colour texts.
struct HtmlTheme {
  std::string app_name = "Pellix App";
  std::string theme = "light";  // only the exact text "dark" gives the dark colours
  std::string accent = "blue";
  std::string_view font = "Inter";
  std::string_view primary_color = "#3b82f6";  // the accent colour
  std::string_view background_color = "#f8fafc";
  std::string_view text_color = "#1e293b";
  std::string_view radius = "8px";

  bool is_dark() const { return theme == "dark"; }
};

// The colour of an accent name (exact, case-sensitive); blue's for a name it does not know.
std::string_view accent_color(std::string_view accent);

// The theme of `program`: each app declaration in turn sets the name and, when it gives them,
// the theme and accent, so a later declaration overrides an earlier one field by field.
HtmlTheme theme_of(const Program& program);

class HtmlGenerator {
 public:
  // Themes the document from the app declarations of `program`. `base_url` is where the
  // page's script reaches the API: the server's plain-HTTP address with the port it actually
  // bound and no trailing slash ("http://localhost:3000"); the script calls base_url + "/api/"
  // + a name. `clock` gives the ids of conditional blocks.
  HtmlGenerator(const Program& program, std::string base_url, WallClock clock = read_wall_clock);

  // The whole document, 28 lines joined by line feeds without a final one: the head with the
  // stylesheet, the sidebar with the navigation of `program`'s pages, one section per page and
  // the script. Never fails; cheap enough to call per request (one growing buffer, the
  // stylesheet and script made once in the constructor).
  std::string generate_shell(const Program& program) const;

  const HtmlTheme& theme() const { return theme_; }
  const std::string& base_url() const { return base_url_; }

 private:
  HtmlTheme theme_;
  std::string base_url_;
  std::string stylesheet_;
  std::string script_;
  WallClock clock_;
};

// ---------------------------------------------------------------------------------------------
// Pieces of the document

// The route a page is listed under: its name lowercased (full Unicode mapping) with every
// space (U+0020) turned into "-"; other characters stay ("My Tasks!" gives "my-tasks!").
std::string page_route(std::string_view page_name);

// The identifier made from a page or form name: its route keeping only ASCII letters and
// digits, "-" and non-ASCII letters and numbers ("Order History!" gives "order-history",
// "my_page" gives "mypage"). Safe in any attribute as it is.
std::string page_slug(std::string_view name);
void append_page_slug(std::string& out, std::string_view name);

// The short text a page item shows for an expression: numbers, texts, yes/no values, names and
// member chains ("user.name") as written; "..." for anything that would need evaluating.
std::string expression_text(const Expression& expression);
void append_expression_text(std::string& out, const Expression& expression);

// Appends `text` escaped as element content: "&", "<" and ">" become references.
void append_html_text(std::string& out, std::string_view text);

// Appends `text` escaped for a double- or single-quoted attribute value: also '"' and "'".
void append_html_attribute(std::string& out, std::string_view text);

// Appends `text` as a double-quoted JavaScript string that is safe inside a script element:
// quotes, backslashes, line breaks, control characters and "<", ">", "&" become \u escapes.
void append_script_string(std::string& out, std::string_view text);

// The navigation block: empty without pages, else a nav element with one link per page, the
// first one active.
void append_navigation(std::string& out, const Program& program);

// Renders pages and their items. A conditional block takes its id from the wall clock; the ids
// one renderer gives are all different, also when the clock has not moved between two blocks.
class PageRenderer {
 public:
  explicit PageRenderer(WallClock clock = read_wall_clock) : clock_(clock) {}

  // Every page's section in program order, joined by line feeds.
  void append_sections(std::string& out, const Program& program);

  // One page: a section whose id is "page-" + the page's slug, holding its items.
  void append_section(std::string& out, const PageDecl& page);

  // The fragment of one item; nested items are rendered in turn.
  void append_item(std::string& out, const PageItem& item);

  // The fragments of `items` joined by line feeds.
  void append_items(std::string& out, const std::vector<PageItem>& items);

  // A conditional block's id number: the clock's nanoseconds within its second (0 before
  // 1970), moved on to the next free number when this renderer already gave it.
  std::int64_t take_conditional_id();

 private:
  WallClock clock_;
  std::vector<std::int64_t> conditional_ids_;
};

// The stylesheet (inside the style element): fixed rules with the theme's font and colours.
// Only fixed texts reach it, never a text of the program.
std::string stylesheet(const HtmlTheme& theme);

// The script (inside the script element) that switches pages, fills tables, posts forms and
// call buttons to base_url + "/api/" + name, and opens pages from buttons.
std::string page_script(std::string_view base_url);

}  // namespace pellix
