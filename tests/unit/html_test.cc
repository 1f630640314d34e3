// The generated web app: slugs, expression texts, the fragment of every item and input, the
// navigation and sections, the theme, escaping in every place, and whole documents compared
// with their expected files (PELLIX_UPDATE_GOLDEN=1 rewrites those files for review).
#include "html.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "support/parse_program.h"

namespace pellix {
namespace {

using testing::parse_program;

constexpr std::int64_t kFixedClock = 1'700'000'000'123'456'789;
std::int64_t fixed_clock() { return kFixedClock; }
std::int64_t clock_before_1970() { return -5; }
std::int64_t clock_at_end_of_second() { return 999'999'999; }

std::string read_text(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

// The items of a page whose body is `body` (lines indented by two spaces), rendered.
std::string render_items(const std::string& body) {
  const Program program = parse_program("page \"P\":\n" + body);
  if (program.declarations.empty()) return "(no page)";
  std::string out;
  PageRenderer(fixed_clock)
      .append_items(out, std::get<PageDecl>(program.declarations[0].node).body);
  return out;
}

std::string render_item(PageItem item) {
  std::string out;
  PageRenderer(fixed_clock).append_item(out, item);
  return out;
}

Expression identifier(std::string name) { return Expression{expr::Identifier{std::move(name)}}; }

// ---------------------------------------------------------------------------------------------
// Texts

TEST(HtmlSlugs, KeepLettersDigitsAndDashesOfTheLowercasedName) {
  struct Case {
    std::string_view name;
    std::string_view slug;
  };
  const std::vector<Case> cases = {
      {"Home", "home"},
      {"Order History!", "order-history"},
      {"my_page", "mypage"},
      {"Page 2", "page-2"},
      {"  Two  spaces ", "--two--spaces-"},
      {"a\tb", "ab"},  // only the plain space becomes a dash
      {"<i>Home</i>", "ihomei"},
      {"Stra\u00dfe \u00c4rger", "stra\u00dfe-\u00e4rger"},
      {"\u65e5\u672c \u8a9e", "\u65e5\u672c-\u8a9e"},
      {"\u039f\u0394\u039f\u03a3", "\u03bf\u03b4\u03bf\u03c2"},  // a final capital sigma
      {"\u0130zmir", "izmir"},  // the dot that lowercasing adds is a mark, not a letter
      {"\U0001f642 Home", "-home"},
      {"\u0663\u00bd", "\u0663\u00bd"},  // digits and numbers of other scripts stay
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(page_slug(c.name), c.slug);
  }
}

TEST(HtmlSlugs, RoutesOfTheSummaryKeepEveryOtherCharacter) {
  EXPECT_EQ(page_route("My Tasks"), "my-tasks");
  EXPECT_EQ(page_route("Order History!"), "order-history!");
  EXPECT_EQ(page_route("my_page"), "my_page");
  EXPECT_EQ(page_route("\u039f\u0394\u039f\u03a3 \u0130"), "\u03bf\u03b4\u03bf\u03c2-i\u0307");
}

TEST(HtmlExpressionText, ShowsWhatNeedsNoEvaluation) {
  struct Case {
    std::string_view source;  // the expression after `text` on a page
    std::string_view text;
  };
  const std::vector<Case> cases = {
      {"42", "42"},
      {"2.5", "2.5"},
      {"50.0", "50"},
      {"\"Hello, {name}!\"", "Hello, {name}!"},
      {"true", "true"},
      {"false", "false"},
      {"total", "total"},
      {"user.address.city", "user.address.city"},
      {"count(tasks)", "..."},
      {"1 + 2", "..."},
      {"[1, 2]", "..."},
      {"nothing", "..."},
      {"a is b", "..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    const Program program = parse_program("page \"P\":\n  text " + std::string(c.source) + "\n");
    ASSERT_EQ(program.declarations.size(), 1u);
    const auto& item = std::get<PageDecl>(program.declarations[0].node).body.at(0);
    EXPECT_EQ(expression_text(std::get<page::Text>(item.node).content), c.text);
  }
  EXPECT_EQ(expression_text(Expression{expr::Integer{-7}}), "-7");
  EXPECT_EQ(expression_text(Expression{expr::Decimal{-0.125}}), "-0.125");
  EXPECT_EQ(expression_text(Expression{expr::Decimal{1e16}}), "10000000000000000");
}

// ---------------------------------------------------------------------------------------------
// Items

TEST(HtmlItems, EveryKindGivesItsFragment) {
  struct Case {
    std::string_view body;
    std::string_view html;
  };
  const std::vector<Case> cases = {
      {"  title is \"Tasks\"\n", "<h2>Tasks</h2>"},
      {"  text \"Hello {name}\"\n", "<p>Hello {name}</p>"},
      {"  text user.name\n", "<p>user.name</p>"},
      {"  divider\n", "<hr class=\"divider\" />"},
      {"  spacer\n", "<div class=\"spacer\"></div>"},
      {"  button \"Go\" opens page \"Order History\", danger\n",
       "<button class=\"btn danger\" data-opens=\"order-history\">Go</button>"},
      {"  button \"Save\" calls flow save_item\n",
       "<button class=\"btn\" data-calls=\"save_item\">Save</button>"},
      {"  button \"Hi\"\n", "<button class=\"btn\" data-calls=\"\">Hi</button>"},
      {"  button \"Go\" calls go, 5\n",
       "<button class=\"btn primary\" data-calls=\"go\">Go</button>"},
      {"  beside:\n    text a\n    text b\n",
       "<div class=\"beside\"><div class=\"beside-item\"><p>a</p></div>\n"
       "<div class=\"beside-item\"><p>b</p></div></div>"},
      {"  panels:\n    panel \"Inbox\", small:\n      text a\n    panel:\n      divider\n"
       "    panel \"Big\", large:\n      spacer\n    panel \"Odd\", wide:\n      text b\n",
       "<div class=\"panels\"><div class=\"panel panel-sm\"><div class=\"panel-header\">Inbox</div>"
       "<div class=\"panel-body\"><p>a</p></div></div>\n"
       "<div class=\"panel\"><div class=\"panel-body\"><hr class=\"divider\" /></div></div>\n"
       "<div class=\"panel panel-lg\"><div class=\"panel-header\">Big</div>"
       "<div class=\"panel-body\"><div class=\"spacer\"></div></div></div>\n"
       "<div class=\"panel\"><div class=\"panel-header\">Odd</div>"
       "<div class=\"panel-body\"><p>b</p></div></div></div>"},
      {"  card \"Stats\", primary:\n    text total\n    divider\n",
       "<div class=\"card card-primary\"><div class=\"card-title\">Stats</div>"
       "<div class=\"card-body\"><p>total</p>\n<hr class=\"divider\" /></div></div>"},
      {"  card:\n    spacer\n",
       "<div class=\"card\"><div class=\"card-body\"><div class=\"spacer\"></div></div></div>"},
      {"  if user is nothing:\n    text \"Sign in\"\n  otherwise:\n    text user.name\n",
       "<div class=\"conditional\" id=\"cond-123456789\"><p>Sign in</p></div>\n"
       "<div class=\"conditional-else\" id=\"cond-123456789-else\"><p>user.name</p></div>"},
      {"  if ready:\n    text true\n",
       "<div class=\"conditional\" id=\"cond-123456789\"><p>true</p></div>\n"
       "<div class=\"conditional-else\" id=\"cond-123456789-else\"></div>"},
      {"  title is \"A\"\n  text b\n", "<h2>A</h2>\n<p>b</p>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(render_items(std::string(c.body)), c.html);
  }
}

TEST(HtmlItems, ShowDependsOnItsDisplayType) {
  struct Case {
    std::string_view body;
    std::string_view html;
  };
  const std::vector<Case> cases = {
      {"  show tasks as table\n",
       "<div class=\"table-container\">\n"
       "  <table data-source=\"tasks\" data-type=\"table\">\n"
       "    <thead></thead>\n"
       "    <tbody></tbody>\n"
       "  </table>\n"
       "</div>"},
      {"  show Item as table, urgent:\n    columns: name, done\n",
       "<div class=\"table-container urgent\">\n"
       "  <table data-source=\"item\" data-type=\"table\">\n"
       "    <thead></thead>\n"
       "    <tbody></tbody>\n"
       "  </table>\n"
       "</div>"},
      {"  show Tasks as cards, primary\n",
       "<div class=\"card-grid primary\" data-source=\"tasks\" data-type=\"cards\"></div>"},
      {"  show Tasks as list\n",
       "<ul class=\"list\" data-source=\"tasks\" data-type=\"list\"></ul>"},
      {"  show Events as timeline\n",
       "<div class=\"timeline\" data-source=\"events\" data-type=\"timeline\"></div>"},
      {"  show Tasks as detail\n",
       "<div class=\"detail\" data-source=\"Tasks\" data-type=\"detail\"></div>"},
      {"  show Count\n", "<div class=\"detail\" data-source=\"Count\" data-type=\"detail\"></div>"},
      {"  show user.Name as list\n",
       "<ul class=\"list\" data-source=\"user.name\" data-type=\"list\"></ul>"},
      {"  show open_count as number, label \"Open\"\n",
       "<div class=\"stat-card\">\n"
       "  <span class=\"stat-value\" data-source=\"open_count\">--</span>\n"
       "  <span class=\"stat-label\">Open</span>\n"
       "</div>"},
      {"  show Revenue as currency, urgent, label \"\", label \"Later\"\n",
       "<div class=\"stat-card urgent\">\n"
       "  <span class=\"stat-value\" data-source=\"Revenue\">--</span>\n"
       "  <span class=\"stat-label\">Revenue</span>\n"
       "</div>"},
      {"  show Sales as chart, danger\n", "<div data-source=\"Sales\">Sales</div>"},
      {"  show Sales as Table\n", "<div data-source=\"Sales\">Sales</div>"},
      {"  show 1 + 2 as table\n",
       "<div class=\"table-container\">\n"
       "  <table data-source=\"...\" data-type=\"table\">\n"
       "    <thead></thead>\n"
       "    <tbody></tbody>\n"
       "  </table>\n"
       "</div>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(render_items(std::string(c.body)), c.html);
  }
}

TEST(HtmlItems, FormsCarryTheirActionInputsAndSubmitButton) {
  EXPECT_EQ(
      render_items("  form \"New Task\":\n"
                   "    input title as text, required\n"
                   "    input due as date, label \"Due on\"\n"
                   "    on submit go to \"Home\"\n"
                   "    submit \"Save\" calls add_task\n"),
      "<form id=\"form-new-task\" class=\"form\" data-action=\"add_task\">\n"
      "  <div class=\"field\">\n"
      "    <label for=\"input-title\">title</label>\n"
      "    <input type=\"text\" name=\"title\" id=\"input-title\" placeholder=\"title\" "
      "required />\n"
      "  </div>\n"
      "  <div class=\"field\">\n"
      "    <label for=\"input-due\">Due on</label>\n"
      "    <input type=\"date\" name=\"due\" id=\"input-due\" />\n"
      "  </div>\n"
      "  <button type=\"submit\" class=\"btn primary\" data-calls=\"add_task\">Save</button>\n"
      "</form>");
  // Without a name or a submit line: the id of the word form, an empty action, no button.
  EXPECT_EQ(render_items("  form:\n    input done as yes or no, required\n"),
            "<form id=\"form-form\" class=\"form\" data-action=\"\">\n"
            "  <div class=\"field\"><label class=\"toggle\"><input type=\"checkbox\" name=\"done\" "
            "id=\"input-done\" /> done</label></div>\n"
            "  \n"
            "</form>");
  EXPECT_EQ(render_items("  form \"Ask\":\n    submit \"Go\"\n"),
            "<form id=\"form-ask\" class=\"form\" data-action=\"\">\n"
            "  \n"
            "  <button type=\"submit\" class=\"btn primary\" data-calls=\"\">Go</button>\n"
            "</form>");
}

// The field box of a form's only input.
std::string render_input(const std::string& input_line) {
  const std::string form = render_items("  form:\n    input " + input_line + "\n");
  const std::size_t start = form.find("<div class=\"field\">");
  const std::size_t end = form.rfind("</div>");
  if (start == std::string::npos || end == std::string::npos) return form;
  return form.substr(start, end + 6 - start);
}

std::string labelled(std::string_view label, std::string_view control) {
  return "<div class=\"field\">\n    <label for=\"input-x\">" + std::string(label) +
         "</label>\n    " + std::string(control) + "\n  </div>";
}

TEST(HtmlInputs, EveryFieldTypeHasItsControl) {
  struct Case {
    std::string_view type;
    std::string_view control;
  };
  const std::string_view text_input =
      "<input type=\"text\" name=\"x\" id=\"input-x\" placeholder=\"x\" />";
  const std::vector<Case> cases = {
      {"text", text_input},
      {"long text", "<textarea name=\"x\" id=\"input-x\" placeholder=\"x\" rows=\"4\"></textarea>"},
      {"secret text", "<input type=\"password\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"int", "<input type=\"number\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"whole number", "<input type=\"number\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"number", "<input type=\"number\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"currency",
       "<input type=\"number\" name=\"x\" id=\"input-x\" placeholder=\"x\" step=\"0.01\" />"},
      {"percentage", text_input},
      {"date", "<input type=\"date\" name=\"x\" id=\"input-x\" />"},
      {"date and time", "<input type=\"datetime-local\" name=\"x\" id=\"input-x\" />"},
      {"time span", text_input},
      {"email", "<input type=\"email\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"phone", "<input type=\"tel\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"link", "<input type=\"url\" name=\"x\" id=\"input-x\" placeholder=\"x\" />"},
      {"file", "<input type=\"file\" name=\"x\" id=\"input-x\" />"},
      {"files", text_input},
      {"image", "<input type=\"file\" name=\"x\" id=\"input-x\" accept=\"image/*\" />"},
      {"pdf", "<input type=\"file\" name=\"x\" id=\"input-x\" accept=\".pdf\" />"},
      {"csv", "<input type=\"file\" name=\"x\" id=\"input-x\" accept=\".csv\" />"},
      {"address", text_input},
      {"color", "<input type=\"color\" name=\"x\" id=\"input-x\" />"},
      {"signature", text_input},
      {"list of number", text_input},
      {"Task", text_input},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(render_input("x as " + std::string(c.type)), labelled("x", c.control));
  }
  for (std::string_view toggle : {"bool", "yes or no"}) {
    SCOPED_TRACE(toggle);
    EXPECT_EQ(render_input("x as " + std::string(toggle)),
              "<div class=\"field\"><label class=\"toggle\"><input type=\"checkbox\" name=\"x\" "
              "id=\"input-x\" /> x</label></div>");
  }
}

TEST(HtmlInputs, LabelsAndRequiredMarksFollowTheControl) {
  struct Case {
    std::string_view input;
    std::string field;
  };
  const std::vector<Case> cases = {
      {"x as email, required, label \"Work mail\"",
       labelled("Work mail",
                "<input type=\"email\" name=\"x\" id=\"input-x\" placeholder=\"Work mail\" "
                "required />")},
      {"x as long text, required",
       labelled("x",
                "<textarea name=\"x\" id=\"input-x\" placeholder=\"x\" required "
                "rows=\"4\"></textarea>")},
      {"x as currency, required",
       labelled("x",
                "<input type=\"number\" name=\"x\" id=\"input-x\" placeholder=\"x\" step=\"0.01\" "
                "required />")},
      {"x as date, required",
       labelled("x", "<input type=\"date\" name=\"x\" id=\"input-x\" required />")},
      {"x as image, required",
       labelled("x",
                "<input type=\"file\" name=\"x\" id=\"input-x\" accept=\"image/*\" required />")},
      {"x as file, required",
       labelled("x", "<input type=\"file\" name=\"x\" id=\"input-x\" required />")},
      // Colours and toggles always have a value, so they are never required.
      {"x as color, required, label \"Tint\"",
       labelled("Tint", "<input type=\"color\" name=\"x\" id=\"input-x\" />")},
      {"x as yes or no, required, label \"Done\"",
       "<div class=\"field\"><label class=\"toggle\"><input type=\"checkbox\" name=\"x\" "
       "id=\"input-x\" /> Done</label></div>"},
      {"x as text, default \"a\", unique",
       labelled("x", "<input type=\"text\" name=\"x\" id=\"input-x\" placeholder=\"x\" />")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(render_input(std::string(c.input)), c.field);
  }
}

TEST(HtmlItems, CardsUseTheirTitleTextAndAnyGivenModifier) {
  CardDecl card;
  card.title = Expression{expr::FunctionCall{"count", {}}};
  card.modifier = "";
  card.subtitle = identifier("ignored");
  card.color = "red";
  EXPECT_EQ(render_item(PageItem{page::Card{std::move(card)}}),
            "<div class=\"card card-\"><div class=\"card-title\">...</div>"
            "<div class=\"card-body\"></div></div>");
}

TEST(HtmlItems, ConditionalIdsComeFromTheClockAndNeverRepeatInOneDocument) {
  const std::string body = "  if a:\n    text 1\n  if b:\n    text 2\n    if c:\n      text 3\n";
  const Program program = parse_program("page \"P\":\n" + body);
  const auto& items = std::get<PageDecl>(program.declarations.at(0).node).body;
  std::string out;
  PageRenderer(fixed_clock).append_items(out, items);
  EXPECT_EQ(out,
            "<div class=\"conditional\" id=\"cond-123456789\"><p>1</p></div>\n"
            "<div class=\"conditional-else\" id=\"cond-123456789-else\"></div>\n"
            "<div class=\"conditional\" id=\"cond-123456790\"><p>2</p>\n"
            "<div class=\"conditional\" id=\"cond-123456791\"><p>3</p></div>\n"
            "<div class=\"conditional-else\" id=\"cond-123456791-else\"></div></div>\n"
            "<div class=\"conditional-else\" id=\"cond-123456790-else\"></div>");

  PageRenderer before_1970(clock_before_1970);
  EXPECT_EQ(before_1970.take_conditional_id(), 0);
  EXPECT_EQ(before_1970.take_conditional_id(), 1);
  PageRenderer at_end(clock_at_end_of_second);
  EXPECT_EQ(at_end.take_conditional_id(), 999'999'999);
  EXPECT_EQ(at_end.take_conditional_id(), 0);
  // A new document starts over.
  EXPECT_EQ(PageRenderer(fixed_clock).take_conditional_id(), 123'456'789);
}

TEST(HtmlPages, NavigationAndSectionsFollowThePagesInOrder) {
  const Program program = parse_program(
      "page \"Home\":\n  title is \"Hi\"\n"
      "flow f:\n  return 1\n"
      "page \"Order History\":\n  divider\n  spacer\n");
  std::string navigation;
  append_navigation(navigation, program);
  EXPECT_EQ(
      navigation,
      "<nav class=\"sidebar-nav\"><a href=\"#\" data-page=\"home\" class=\"nav-item "
      "active\">Home</a>\n"
      "    <a href=\"#\" data-page=\"order-history\" class=\"nav-item\">Order History</a></nav>");
  std::string sections;
  PageRenderer(fixed_clock).append_sections(sections, program);
  EXPECT_EQ(sections,
            "<section id=\"page-home\" class=\"page\"><h2>Hi</h2></section>\n"
            "<section id=\"page-order-history\" class=\"page\"><hr class=\"divider\" />\n"
            "<div class=\"spacer\"></div></section>");

  const Program no_pages = parse_program("flow f:\n  return 1\n");
  std::string empty;
  append_navigation(empty, no_pages);
  PageRenderer(fixed_clock).append_sections(empty, no_pages);
  EXPECT_EQ(empty, "");
}

// ---------------------------------------------------------------------------------------------
// Escaping

TEST(HtmlEscaping, TextsAreEscapedForTheirPlace) {
  std::string text;
  append_html_text(text, "a < b && c > \"d\" 'e'");
  EXPECT_EQ(text, "a &lt; b &amp;&amp; c &gt; \"d\" 'e'");
  std::string attribute;
  append_html_attribute(attribute, "a < b && c > \"d\" 'e'");
  EXPECT_EQ(attribute, "a &lt; b &amp;&amp; c &gt; &quot;d&quot; &#39;e&#39;");
  std::string script;
  append_script_string(script, "http://x\"</script><!--\\\n\u2028&'\u00e9");
  EXPECT_EQ(script,
            "\"http://x\\u0022\\u003c/script\\u003e\\u003c!--\\u005c\\u000a\\u2028\\u0026'"
            "\u00e9\"");
}

TEST(HtmlEscaping, ProgramTextsCannotAddMarkup) {
  struct Case {
    std::string_view body;
    std::string_view html;
  };
  const std::vector<Case> cases = {
      {"  title is \"<script>alert(1)</script>\"\n",
       "<h2>&lt;script&gt;alert(1)&lt;/script&gt;</h2>"},
      {"  text \"Tom & 'Jerry' <3\"\n", "<p>Tom &amp; 'Jerry' &lt;3</p>"},
      {"  show \"x' onmouseover='alert(1)\" as detail\n",
       "<div class=\"detail\" data-source=\"x&#39; onmouseover=&#39;alert(1)\" "
       "data-type=\"detail\"></div>"},
      {"  show \"<b>\" as chart\n", "<div data-source=\"&lt;b&gt;\">&lt;b&gt;</div>"},
      {"  show n as number, label \"<img src=x onerror=alert(1)>\"\n",
       "<div class=\"stat-card\">\n"
       "  <span class=\"stat-value\" data-source=\"n\">--</span>\n"
       "  <span class=\"stat-label\">&lt;img src=x onerror=alert(1)&gt;</span>\n"
       "</div>"},
      {"  button \"<b>Go</b>\" opens page \"<Home>\"\n",
       "<button class=\"btn\" data-opens=\"home\">&lt;b&gt;Go&lt;/b&gt;</button>"},
      {"  card \"R&D\":\n    divider\n",
       "<div class=\"card\"><div class=\"card-title\">R&amp;D</div>"
       "<div class=\"card-body\"><hr class=\"divider\" /></div></div>"},
      {"  panels:\n    panel \"<Inbox>\":\n      spacer\n",
       "<div class=\"panels\"><div class=\"panel\"><div class=\"panel-header\">&lt;Inbox&gt;</div>"
       "<div class=\"panel-body\"><div class=\"spacer\"></div></div></div></div>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(render_items(std::string(c.body)), c.html);
  }
  EXPECT_EQ(render_input("x as text, label \"'Say' <hi> & go\""),
            "<div class=\"field\">\n    <label for=\"input-x\">'Say' &lt;hi&gt; &amp; go</label>\n"
            "    <input type=\"text\" name=\"x\" id=\"input-x\" placeholder=\"&#39;Say&#39; "
            "&lt;hi&gt; &amp; go\" />\n  </div>");
}

// Texts that source code cannot hold (a double quote) still reach the tree by other roads.
TEST(HtmlEscaping, QuotesInNamesAndModifiersStayInsideTheirAttribute) {
  ButtonDecl button{"\"Hi\"", ButtonAction{action::Calls{"a\" onclick=\"x"}}, "x\" y=\"z"};
  EXPECT_EQ(render_item(PageItem{page::Button{std::move(button)}}),
            "<button class=\"btn x&quot; y=&quot;z\" data-calls=\"a&quot; onclick=&quot;x\">"
            "\"Hi\"</button>");
  FormDecl form;
  form.name = "F";
  form.inputs.push_back(InputDecl{"n\"m", FieldType::plain(FieldTypeKind::Text), "L\"", false, {}});
  form.submit = SubmitDecl{"Go", "f\"g"};
  EXPECT_EQ(render_item(PageItem{page::Form{std::move(form)}}),
            "<form id=\"form-f\" class=\"form\" data-action=\"f&quot;g\">\n"
            "  <div class=\"field\">\n"
            "    <label for=\"input-n&quot;m\">L\"</label>\n"
            "    <input type=\"text\" name=\"n&quot;m\" id=\"input-n&quot;m\" "
            "placeholder=\"L&quot;\" />\n"
            "  </div>\n"
            "  <button type=\"submit\" class=\"btn primary\" data-calls=\"f&quot;g\">Go</button>\n"
            "</form>");
}

// ---------------------------------------------------------------------------------------------
// Theme and document

TEST(HtmlTheme, ComesFromTheLastAppDeclarationFieldByField) {
  struct Case {
    std::string_view source;
    std::string_view name;
    std::string_view theme;
    std::string_view primary;
    std::string_view background;
    std::string_view text;
  };
  const std::vector<Case> cases = {
      {"", "Pellix App", "light", "#3b82f6", "#f8fafc", "#1e293b"},
      {"app \"Shop\"\n  theme is dark\n  accent is teal\n", "Shop", "dark", "#14b8a6", "#0f172a",
       "#e2e8f0"},
      {"app \"Shop\"\n  theme is Dark\n", "Shop", "Dark", "#3b82f6", "#f8fafc", "#1e293b"},
      {"app \"A\"\n  accent is Blue\n", "A", "light", "#3b82f6", "#f8fafc", "#1e293b"},
      {"app \"A\"\n  accent is cyan\n", "A", "light", "#3b82f6", "#f8fafc", "#1e293b"},
      {"app \"A\"\n  theme is dark\n  accent is red\napp \"B\"\n  accent is pink\n", "B", "dark",
       "#ec4899", "#0f172a", "#e2e8f0"},
      {"app \"A\"\n  theme is sepia\n", "A", "sepia", "#3b82f6", "#f8fafc", "#1e293b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    const HtmlTheme theme = theme_of(parse_program(std::string(c.source)));
    EXPECT_EQ(theme.app_name, c.name);
    EXPECT_EQ(theme.theme, c.theme);
    EXPECT_EQ(theme.primary_color, c.primary);
    EXPECT_EQ(theme.background_color, c.background);
    EXPECT_EQ(theme.text_color, c.text);
  }
  const std::vector<std::pair<std::string_view, std::string_view>> accents = {
      {"blue", "#3b82f6"}, {"indigo", "#6366f1"}, {"teal", "#14b8a6"},   {"yellow", "#eab308"},
      {"pink", "#ec4899"}, {"orange", "#f97316"}, {"purple", "#a855f7"}, {"green", "#22c55e"},
      {"red", "#ef4444"},  {"Red", "#3b82f6"},    {"", "#3b82f6"},
  };
  for (const auto& [accent, color] : accents) EXPECT_EQ(accent_color(accent), color) << accent;
}

TEST(HtmlTheme, StylesheetTakesEveryThemeValue) {
  HtmlTheme light;
  const std::string light_style = stylesheet(light);
  HtmlTheme dark = theme_of(parse_program("app \"A\"\n  theme is dark\n  accent is teal\n"));
  const std::string dark_style = stylesheet(dark);
  for (const std::string* style : {&light_style, &dark_style}) {
    EXPECT_EQ(style->front(), '\n');
    EXPECT_EQ(style->find('$'), std::string::npos) << "a value was left out";
    EXPECT_NE(style->find("font-family: 'Inter', "), std::string::npos);
  }
  struct Value {
    std::string_view rule;  // a declaration of the stylesheet
    bool in_light;
    bool in_dark;
  };
  const std::vector<Value> values = {
      {"background: #3b82f612;", true, false},
      {"0 0 0 3px #3b82f618;", true, false},
      {"background: #14b8a612;", false, true},
      {"0 0 0 3px #14b8a618;", false, true},
      {"accent-color: #14b8a6;", false, true},
      {"background: #f8fafc;", true, false},
      {"background: #0f172a;", false, true},
      {"border-right: 1px solid #e2e8f0;", true, false},
      {"border-right: 1px solid #1e293b;", false, true},
      {"background: #f1f5f9;", true, false},
      {"background: #334155;", false, true},
      {"color: #e2e8f0;", false, true},
      {"border-radius: 8px;", true, true},
  };
  for (const Value& value : values) {
    EXPECT_EQ(light_style.find(value.rule) != std::string::npos, value.in_light) << value.rule;
    EXPECT_EQ(dark_style.find(value.rule) != std::string::npos, value.in_dark) << value.rule;
  }
}

bool updating() {
  const char* update = std::getenv("PELLIX_UPDATE_GOLDEN");
  return update != nullptr && std::string_view(update) == "1";
}

// The first line where two texts differ, both versions, for a readable failure.
std::string first_difference(const std::string& actual, const std::string& expected) {
  std::istringstream actual_lines(actual);
  std::istringstream expected_lines(expected);
  std::string a;
  std::string e;
  for (int number = 1;; ++number) {
    const bool has_a = static_cast<bool>(std::getline(actual_lines, a));
    const bool has_e = static_cast<bool>(std::getline(expected_lines, e));
    if (!has_a && !has_e) return "the same lines, different line ends";
    if (a != e || has_a != has_e) {
      return "line " + std::to_string(number) + "\n  actual:   " + (has_a ? a : "(end)") +
             "\n  expected: " + (has_e ? e : "(end)");
    }
  }
}

// Compares `document` with the expected file, or rewrites the file when updating.
void expect_document(const std::string& document, const std::string& name) {
  const std::string path = std::string(PELLIX_UNIT_DATA_DIR) + "/html/" + name;
  if (updating()) {
    std::ofstream(path, std::ios::binary) << document;
    return;
  }
  const std::string expected = read_text(path);
  EXPECT_TRUE(document == expected) << path << " differs at "
                                    << first_difference(document, expected);
}

TEST(HtmlDocument, SampleProgram) {
  const Program program = parse_program(read_text(PELLIX_EXAMPLES_DIR "/sample.plx"));
  const HtmlGenerator generator(program, "http://localhost:3000", fixed_clock);
  expect_document(generator.generate_shell(program), "sample_program.html");
}

TEST(HtmlDocument, DarkAppWithEveryItemKind) {
  const Program program = parse_program(read_text(PELLIX_UNIT_DATA_DIR "/html/every_item.plx"));
  const HtmlGenerator generator(program, "http://localhost:43817", fixed_clock);
  EXPECT_EQ(generator.base_url(), "http://localhost:43817");
  expect_document(generator.generate_shell(program), "every_item.html");
}

// The frame alone: 28 lines, with the blocks that have none of their own empty.
TEST(HtmlDocument, ProgramWithoutPagesOrApp) {
  const Program program = parse_program("flow f:\n  return 1\n");
  const HtmlGenerator generator(program, "http://localhost:3000", fixed_clock);
  const std::string document = generator.generate_shell(program);
  const std::string style = stylesheet(generator.theme());
  const std::string script = page_script("http://localhost:3000");
  // Cut the inserted blocks out so that the frame's own lines can be counted.
  std::string frame = document;
  frame.replace(frame.find(style), style.size(), "STYLE");
  frame.replace(frame.find(script), script.size(), "SCRIPT");
  EXPECT_EQ(frame,
            "<!DOCTYPE html>\n"
            "<html lang=\"en\" data-theme=\"light\">\n"
            "<head>\n"
            "  <meta charset=\"UTF-8\">\n"
            "  <meta name=\"viewport\" content=\"width=device-width, initial-scale=1.0\">\n"
            "  <title>Pellix App</title>\n"
            "  <link href=\"https://fonts.googleapis.com/css2?family=Inter:wght@400;500;600;700"
            "&display=swap\" rel=\"stylesheet\">\n"
            "  <style>STYLE</style>\n"
            "</head>\n"
            "<body>\n"
            "  <aside class=\"sidebar\">\n"
            "    <div class=\"sidebar-brand\">\n"
            "      <div class=\"logo-text\">P</div>\n"
            "      <span class=\"brand-name\">Pellix App</span>\n"
            "    </div>\n"
            "    \n"
            "    <div class=\"sidebar-footer\">\n"
            "      <span class=\"powered-by\">Built with Pellix</span>\n"
            "    </div>\n"
            "  </aside>\n"
            "  <div class=\"content\">\n"
            "    <main>\n"
            "      \n"
            "    </main>\n"
            "  </div>\n"
            "  <script>SCRIPT</script>\n"
            "</body>\n"
            "</html>");
}

TEST(HtmlDocument, AppNameIsEscapedAndGivesTheBrandLetter) {
  struct Case {
    std::string_view name;
    std::string_view title;
    std::string_view letter;
  };
  const std::vector<Case> cases = {
      {"<b>Tom & Jerry</b>", "&lt;b&gt;Tom &amp; Jerry&lt;/b&gt;", "&lt;"},
      {"\u00c9t\u00e9 Shop", "\u00c9t\u00e9 Shop", "\u00c9"},
      {"\U0001f680 Launch", "\U0001f680 Launch", "\U0001f680"},
      {"", "", "P"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Program program;
    program.declarations.push_back(Declaration{AppDecl{std::string(c.name), "x\"y", {}, {}}});
    const std::string document =
        HtmlGenerator(program, "http://localhost:3000", fixed_clock).generate_shell(program);
    EXPECT_NE(document.find("<html lang=\"en\" data-theme=\"x&quot;y\">"), std::string::npos);
    EXPECT_NE(document.find("<title>" + std::string(c.title) + "</title>"), std::string::npos);
    EXPECT_NE(document.find("<span class=\"brand-name\">" + std::string(c.title) + "</span>"),
              std::string::npos);
    EXPECT_NE(document.find("<div class=\"logo-text\">" + std::string(c.letter) + "</div>"),
              std::string::npos);
  }
}

TEST(HtmlDocument, ScriptReachesTheApiAtTheGivenBaseUrl) {
  const Program program;
  const std::string bound =
      HtmlGenerator(program, "http://localhost:43817", fixed_clock).generate_shell(program);
  EXPECT_NE(bound.find("var baseUrl = \"http://localhost:43817\";"), std::string::npos);
  const std::string hostile =
      HtmlGenerator(program, "http://x\"</script><b>", fixed_clock).generate_shell(program);
  EXPECT_NE(hostile.find("var baseUrl = \"http://x\\u0022\\u003c/script\\u003e\\u003cb\\u003e\";"),
            std::string::npos);
  EXPECT_EQ(hostile.find("</script><b>"), std::string::npos);
}

}  // namespace
}  // namespace pellix
