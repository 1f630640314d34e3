// The page script in a DOM: pages switch from links and buttons, tables fill from the API with
// every value as plain text, forms and call buttons post to the API and report failures, and
// program texts stay text. The page runs in jsdom under Node (tests/support/page_driver.js);
// without Node or jsdom these tests are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "html.h"
#include "support/parse_program.h"
#include "support/subprocess.h"

namespace pellix {
namespace {

namespace fs = std::filesystem;
using testing::parse_program;

constexpr std::string_view kBaseUrl = "http://localhost:3000";
constexpr int kNoJsdom = 77;

std::int64_t fixed_clock() { return 42; }

std::optional<fs::path> find_node() {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const fs::path candidate = fs::path(rest.substr(0, colon)) / "node";
    std::error_code ignored;
    if (fs::is_regular_file(candidate, ignored)) return candidate;
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

// Debian installs Node modules such as jsdom where a Node from elsewhere does not look.
std::string node_path() {
  const char* own = std::getenv("NODE_PATH");
  return "NODE_PATH=/usr/share/nodejs:/usr/lib/nodejs" + (own ? ":" + std::string(own) : "");
}

std::string document_of(const std::string& source, std::string_view base_url = kBaseUrl) {
  const Program program = parse_program(source);
  return HtmlGenerator(program, std::string(base_url), fixed_clock).generate_shell(program);
}

class PageScript : public ::testing::Test {
 protected:
  void SetUp() override {
    node_ = find_node();
    if (!node_) GTEST_SKIP() << "node is not installed";
  }

  // Runs node with `args` in the test's own folder.
  testing::ProcessResult run_node(std::vector<std::string> args) {
    args.insert(args.begin(), node_->string());
    testing::ProcessOptions options;
    options.working_directory = work_.path();
    options.environment = {node_path()};
    return testing::run_program(args, options);
  }

  void write(const std::string& name, const std::string& content) {
    testing::write_file(work_.path() / name, content);
  }

  // What the driver printed for `document` and the scenario's JSON text.
  std::string drive(const std::string& document, const std::string& scenario) {
    write("page.html", document);
    write("scenario.json", scenario);
    const testing::ProcessResult result =
        run_node({PELLIX_PAGE_DRIVER, "page.html", "scenario.json"});
    if (result.status == kNoJsdom) {
      skipped_ = true;
      return {};
    }
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
  }

  bool skipped() const { return skipped_; }

 private:
  std::optional<fs::path> node_;
  testing::TempDir work_;
  bool skipped_ = false;
};

#define SKIP_WITHOUT_JSDOM() \
  if (skipped()) GTEST_SKIP() << "jsdom is not installed"

TEST_F(PageScript, ParsesAsJavaScript) {
  write("script.js", page_script("http://localhost:3000"));
  const testing::ProcessResult result = run_node({"--check", "script.js"});
  EXPECT_EQ(result.status, 0) << result.err;
}

constexpr std::string_view kPages =
    "page \"Home\":\n"
    "  title is \"Home\"\n"
    "  button \"See orders\" opens page \"Order History\"\n"
    "  button \"Refresh\" calls refresh\n"
    "  button \"Break\" calls broken\n"
    "  button \"Garble\" calls garbled\n"
    "  button \"Nothing\"\n"
    "page \"Order History\":\n"
    "  show Order as table\n"
    "page \"Settings\":\n"
    "  text \"Settings\"\n";

TEST_F(PageScript, LinksAndOpenButtonsSwitchPages) {
  const std::string out = drive(document_of(std::string(kPages)), R"({"steps": [
      {"state": true},
      {"click": "nav a[data-page=settings]"},
      {"state": true},
      {"click": "button[data-opens=order-history]"},
      {"state": true},
      {"click": "nav a[data-page=home]"},
      {"state": true}]})");
  SKIP_WITHOUT_JSDOM();
  EXPECT_EQ(out,
            "fetch: GET http://localhost:3000/api/order\n"
            "shown: page-home\n"
            "active: home\n"
            "table order: \n"
            "shown: page-settings\n"
            "active: settings\n"
            "table order: \n"
            "shown: page-order-history\n"
            "active: order-history\n"
            "table order: \n"
            "shown: page-home\n"
            "active: home\n"
            "table order: \n");
}

TEST_F(PageScript, CallButtonsPostAndReloadOrReportTheError) {
  const std::string out = drive(document_of(std::string(kPages)), R"({"answers": {
      "POST /api/refresh": {"status": 200, "body": {"ok": true, "result": 1, "cost": 0.0}},
      "POST /api/broken": {"status": 500, "body": {"error": "flow failed: <b>boom</b>"}},
      "POST /api/garbled": {"status": 200, "body": "<html>"}}, "steps": [
      {"click": "button[data-calls=refresh]"},
      {"click": "button[data-calls=broken]"},
      {"click": "button[data-calls=garbled]"},
      {"click": "button[data-calls='']"}]})");
  SKIP_WITHOUT_JSDOM();
  EXPECT_EQ(out,
            "fetch: GET http://localhost:3000/api/order\n"
            "fetch: POST http://localhost:3000/api/refresh\n"
            "reload\n"
            "fetch: POST http://localhost:3000/api/broken\n"
            "alert: flow failed: <b>boom</b>\n"
            "fetch: POST http://localhost:3000/api/garbled\n"
            "alert: Something went wrong\n"
            "fetch: POST http://localhost:3000/api/\n"
            "alert: not found\n");
}

TEST_F(PageScript, TablesShowRecordValuesAsText) {
  const std::string records = R"({"ok": true, "data": [
      {"id": 1, "title": "<img src=x onerror=alert(1)>", "done": false, "note": null,
       "tags": ["a", "<b>"], "count": 0},
      {"id": 2, "title": "plain"},
      "not a record"]})";
  const std::string source =
      "page \"Home\":\n"
      "  show Order as table\n"
      "  show Refused as table\n"
      "  show Empty as table\n"
      "  show Broken as table\n";
  const std::string out =
      drive(document_of(source),
            R"({"answers": {"GET /api/order": {"status": 200, "body": )" + records + R"(},
      "GET /api/refused": {"status": 500, "body": {"error": "Query failed"}},
      "GET /api/empty": {"status": 200, "body": {"ok": true, "data": []}},
      "GET /api/broken": {"status": 200, "body": "not json"}},
      "steps": [{"state": true}, {"read": "img"}, {"read": "td b"}]})");
  SKIP_WITHOUT_JSDOM();
  EXPECT_EQ(out,
            "fetch: GET http://localhost:3000/api/order\n"
            "fetch: GET http://localhost:3000/api/refused\n"
            "fetch: GET http://localhost:3000/api/empty\n"
            "fetch: GET http://localhost:3000/api/broken\n"
            "shown: page-home\n"
            "active: home\n"
            "table order: [<img src=x onerror=alert(1)> | false |  | [\"a\",\"<b>\"] | 0] [plain]\n"
            "table refused: \n"
            "table empty: \n"
            "table broken: \n");
}

// A head row names the columns, in its order, whatever order the record's own is.
TEST_F(PageScript, HeadCellsChooseTheColumns) {
  std::string document = document_of("page \"Home\":\n  show Order as table\n");
  const std::string head = "<thead></thead>";
  document.replace(document.find(head), head.size(),
                   "<thead><tr><th>Title</th><th> Missing </th><th>ID</th></tr></thead>");
  const std::string out = drive(document, R"({"answers": {"GET /api/order": {"status": 200,
      "body": {"ok": true, "data": [{"id": 7, "title": "a", "extra": "x"}]}}},
      "steps": [{"state": true}]})");
  SKIP_WITHOUT_JSDOM();
  EXPECT_EQ(out,
            "fetch: GET http://localhost:3000/api/order\n"
            "shown: page-home\n"
            "active: home\n"
            "table order: [a |  | 7]\n");
}

TEST_F(PageScript, FormsPostTheirFieldsAsJson) {
  const std::string source =
      "page \"Home\":\n"
      "  form:\n"
      "    input name as text, label \"Item name\"\n"
      "    input done as yes or no\n"
      "    input count as number\n"
      "    submit \"Add\" calls add_item\n"
      "  form \"Rejected\":\n"
      "    input name as text\n"
      "    submit \"Add\" calls refuse_item\n";
  const std::string out = drive(document_of(source), R"({"answers": {
      "POST /api/add_item": {"status": 201, "body": {"ok": true, "id": 3}},
      "POST /api/refuse_item": {"status": 400, "body": {"error": "empty or invalid JSON body"}}},
      "steps": [
      {"fill": "#form-form #input-name", "value": "Milk & <b>\"2\"</b>"},
      {"fill": "#form-form #input-done", "value": "on"},
      {"click": "#form-form button[type=submit]"},
      {"field": "#form-form #input-name"},
      {"click": "#form-form button[type=submit]"},
      {"fill": "#form-rejected #input-name", "value": "x"},
      {"click": "#form-rejected button[type=submit]"},
      {"field": "#form-rejected #input-name"}]})");
  SKIP_WITHOUT_JSDOM();
  // An unchecked box sends nothing; the form is reset before the reload; a submit button is
  // no call button, so each click posts once.
  EXPECT_EQ(out,
            "fetch: POST http://localhost:3000/api/add_item "
            "{\"name\":\"Milk & <b>\\\"2\\\"</b>\",\"done\":\"on\",\"count\":\"\"}\n"
            "reload\n"
            "field #form-form #input-name: \n"
            "fetch: POST http://localhost:3000/api/add_item {\"name\":\"\",\"count\":\"\"}\n"
            "reload\n"
            "fetch: POST http://localhost:3000/api/refuse_item {\"name\":\"x\"}\n"
            "alert: empty or invalid JSON body\n"
            "field #form-rejected #input-name: x\n");
}

// A form without a submit button is sent by pressing Enter in a field; with an empty action
// nothing is posted and the page does not navigate.
TEST_F(PageScript, FormsWithoutActionPostNothing) {
  const std::string out =
      drive(document_of("page \"Home\":\n  form:\n    input name as text\n"), R"({"steps": [
      {"fill": "#input-name", "value": "y"},
      {"submit": "#form-form"},
      {"field": "#input-name"}]})");
  SKIP_WITHOUT_JSDOM();
  EXPECT_EQ(out, "field #input-name: y\n");
}

TEST_F(PageScript, ProgramTextsAndTheBaseUrlStayText) {
  const std::string source =
      "app \"<b>Tom & 'Jerry'</b>\"\n"
      "page \"<i>Home</i>\":\n"
      "  title is \"<script>alert(1)</script>\"\n"
      "  form \"<Sign up>\":\n"
      "    input x as text, label \"'Say' <hi> & go\"\n"
      "    submit \"<b>Go</b>\" calls sign_up\n"
      "  show n as number, label \"<img src=x onerror=alert(1)>\"\n";
  const std::string document =
      document_of(source, "http://localhost:3000/\"</script><script>alert(2)</script>");
  const std::string out = drive(document, R"({"steps": [
      {"read": "title"},
      {"read": ".brand-name"},
      {"read": ".logo-text"},
      {"read": "nav a"},
      {"read": "h2"},
      {"attribute": "#input-x", "name": "placeholder"},
      {"read": "label[for=input-x]"},
      {"read": "form button"},
      {"read": ".stat-label"},
      {"count": "b, i, img"},
      {"count": "script"},
      {"fill": "#input-x", "value": "v"},
      {"click": "form button"}]})");
  SKIP_WITHOUT_JSDOM();
  EXPECT_EQ(out,
            "read title: <b>Tom & 'Jerry'</b>\n"
            "read .brand-name: <b>Tom & 'Jerry'</b>\n"
            "read .logo-text: <\n"
            "read nav a: <i>Home</i>\n"
            "read h2: <script>alert(1)</script>\n"
            "attribute #input-x placeholder: 'Say' <hi> & go\n"
            "read label[for=input-x]: 'Say' <hi> & go\n"
            "read form button: <b>Go</b>\n"
            "read .stat-label: <img src=x onerror=alert(1)>\n"
            "count b, i, img: 0\n"
            "count script: 1\n"
            "fetch: POST http://localhost:3000/\"</script><script>alert(2)</script>/api/sign_up "
            "{\"x\":\"v\"}\n"
            "alert: not found\n");
}

}  // namespace
}  // namespace pellix
