// `pellix serve` over real sockets on the loopback address: the banner, every route and
// status, the exact framing, the JSON forms, request limits, the origin and host checks, and
// clients that are slow, silent or hostile.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "support/http_client.h"
#include "support/subprocess.h"

namespace pellix::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kShop = R"(app "Shop"

record Task:
  title is text, required
  points is whole number, default 0

flow total:
  return 6

flow greet given name:
  return "hello {name}"

flow pair given a, b:
  return [a, b]

flow visits:
  if seen is nothing:
    seen = 0
  seen = seen + 1
  return seen

flow strict:
  need false otherwise "bad \ here
and there"
  return 1

flow mixed:
  return {n: 2.5, t: "back\slash", l: [1, nothing, true]}

flow shout:
  log "shouting"
  return nothing

page "Home":
  title is "Shop"
)";

constexpr std::string_view kBannerEnd = "  Press Ctrl+C to stop.\n\n";

// A request to the server at `port` as its own page would send it.
std::string same_origin_request(std::uint16_t port, std::string_view method, std::string_view path,
                                std::string_view body = "", std::string_view headers = "") {
  std::string bytes(method);
  bytes.append(" ").append(path).append(" HTTP/1.1\r\nHost: localhost:");
  bytes.append(std::to_string(port)).append("\r\n").append(headers);
  if (!body.empty()) bytes.append("Content-Length: " + std::to_string(body.size()) + "\r\n");
  bytes.append("\r\n").append(body);
  return bytes;
}

// `pellix serve app.plx --port 0` in a fresh folder, with the port it bound.
class Server {
 public:
  // Serves `program` from `folder`, or from a fresh one when none is given.
  explicit Server(std::string_view program, std::vector<std::string> environment = {},
                  const std::filesystem::path& folder = {})
      : folder_(folder.empty() ? work_.path() : folder) {
    write_file(folder_ / "app.plx", std::string(program));
    ProcessOptions options;
    options.working_directory = folder_;
    options.home = home_.path();
    options.environment = std::move(environment);
    process_ = std::make_unique<BackgroundPellix>(
        std::vector<std::string>{"serve", "app.plx", "--port", "0"}, options);
    const bool started = process_->wait_until(
        [this] { return process_->out().find(kBannerEnd) != std::string::npos; },
        std::chrono::seconds(20));
    EXPECT_TRUE(started) << process_->out() << process_->err();
    const std::string out = process_->out();
    constexpr std::string_view kAt = "running at http://localhost:";
    const std::size_t at = out.find(kAt);
    if (at != std::string::npos) {
      port_ = static_cast<std::uint16_t>(std::stoi(out.substr(at + kAt.size())));
    }
  }

  std::uint16_t port() const { return port_; }
  BackgroundPellix& process() { return *process_; }
  const std::filesystem::path& folder() const { return folder_; }

  // A request as a browser on the same origin would send it.
  std::string request(std::string_view method, std::string_view path, std::string_view body = "",
                      std::string_view headers = "") const {
    return same_origin_request(port_, method, path, body, headers);
  }
  Answer ask(std::string_view method, std::string_view path, std::string_view body = "",
             std::string_view headers = "") const {
    return parse_answer(round_trip(port_, request(method, path, body, headers)));
  }

 private:
  TempDir work_;
  TempDir home_;
  std::filesystem::path folder_;
  std::unique_ptr<BackgroundPellix> process_;
  std::uint16_t port_ = 0;
};

std::string json_headers(std::size_t length) {
  return "Content-Type: application/json\r\nAccess-Control-Allow-Origin: *\r\nContent-Length: " +
         std::to_string(length) + "\r\n";
}

TEST(Server, BannerShowsThePortBoundAndEveryEndpoint) {
  Server server(kShop);
  ASSERT_NE(server.port(), 0);
  // The page's line comes once the database and the page are ready.
  server.process().wait_until([&] { return server.process().out().ends_with("(frontend)\n"); },
                              std::chrono::seconds(10));
  EXPECT_EQ(server.process().out(),
            "\n  Pellix server running at http://localhost:" + std::to_string(server.port()) +
                "\n\n  API endpoints:\n"
                "    GET /api/total\n    POST /api/greet\n    POST /api/pair\n"
                "    GET /api/visits\n    GET /api/strict\n    GET /api/mixed\n"
                "    GET /api/shout\n"
                "    GET  /api/task\n    POST /api/task\n"
                "    GET  /api/health\n\n  Press Ctrl+C to stop.\n\n"
                "    GET  /                (frontend)\n");
  EXPECT_EQ(server.process().err(), "");
}

TEST(Server, HealthAnswerIsFramedByteForByte) {
  Server server(kShop);
  const std::string body = R"({"ok":true,"version":"0.1.0"})";
  EXPECT_EQ(round_trip(server.port(), server.request("GET", "/api/health")),
            "HTTP/1.1 200 OK\r\n" + json_headers(body.size()) + "\r\n" + body);
}

TEST(Server, RoutesAnswerByExactPathAndMethod) {
  Server server(kShop);
  struct Case {
    std::string_view method;
    std::string_view path;
    std::string_view body;
    std::string_view status;
    std::string_view answer;
  };
  const std::vector<Case> cases = {
      {"GET", "/api/health", "", "200 OK", R"({"ok":true,"version":"0.1.0"})"},
      {"POST", "/api/health", "{}", "200 OK", R"({"ok":true,"version":"0.1.0"})"},
      {"get", "/api/health", "", "200 OK", R"({"ok":true,"version":"0.1.0"})"},
      {"GET", "/api/total", "", "200 OK", R"({"ok":true,"result":6,"cost":0.0000})"},
      {"DELETE", "/api/total", "", "200 OK", R"({"ok":true,"result":6,"cost":0.0000})"},
      {"GET", "/api/total?x=1", "", "404 Not Found", R"({"error":"not found"})"},
      {"GET", "/api/Total", "", "404 Not Found", R"({"error":"not found"})"},
      {"GET", "/API/health", "", "404 Not Found", R"({"error":"not found"})"},
      {"GET", "/api/", "", "404 Not Found", R"({"error":"not found"})"},
      {"GET", "/elsewhere", "", "404 Not Found", R"({"error":"not found"})"},
      {"GET", "/api/greet", "", "200 OK", R"({"ok":true,"result":"hello {name}","cost":0.0000})"},
      {"POST", "/api/greet", R"({"name":"Ann"})", "200 OK",
       R"({"ok":true,"result":"hello Ann","cost":0.0000})"},
      {"POST", "/api/greet", "name: Bob", "200 OK",
       R"({"ok":true,"result":"hello Bob","cost":0.0000})"},
      {"PUT", "/api/greet", R"({"name":"say \"hi\", \\ ok"})", "200 OK",
       R"({"ok":true,"result":"hello say \"hi\", \\ ok","cost":0.0000})"},
      {"POST", "/api/pair", R"({"a":"x, y","skip":null,"b":2,"c":"extra"})", "200 OK",
       R"({"ok":true,"result":["x, y", "2"],"cost":0.0000})"},
      {"POST", "/api/pair", R"({"a":{"k":[1,"v"]}})", "200 OK",
       R"({"ok":true,"result":["{\"k\":[1,\"v\"]}", null],"cost":0.0000})"},
      {"GET", "/api/strict", "", "500 Internal Server Error",
       R"({"error":"bad \\ here\nand there"})"},
      {"GET", "/api/mixed", "", "200 OK",
       R"({"ok":true,"result":{"n": 2.5, "t": "back\\slash", "l": [1, null, true]},"cost":0.0000})"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.method) + " " + std::string(test.path));
    const Answer answer = server.ask(test.method, test.path, test.body);
    EXPECT_EQ(answer.status, test.status);
    EXPECT_EQ(answer.body, test.answer);
    EXPECT_EQ(answer.headers, json_headers(answer.body.size()));
    EXPECT_TRUE(nlohmann::json::accept(answer.body)) << answer.body;
  }
}

TEST(Server, RecordsAreInsertedAndListedBackTyped) {
  Server server(kShop);
  struct Case {
    std::string_view method;
    std::string_view body;
    std::string_view status;
    std::string_view answer;
  };
  const std::vector<Case> cases = {
      {"GET", "", "200 OK", R"({"ok":true,"data":[]})"},
      {"POST", R"({"title":"a, b","points":"7"})", "201 Created", R"({"ok":true,"id":1})"},
      {"POST", "title: plain", "201 Created", R"({"ok":true,"id":2})"},
      {"POST", "{\"title\":\"say \\\"hi\\\"\\n\\\\\"}", "201 Created", R"({"ok":true,"id":3})"},
      {"POST", R"({"title":"007","points":2.5})", "201 Created", R"({"ok":true,"id":4})"},
      {"POST", "", "400 Bad Request", R"({"error":"empty or invalid JSON body"})"},
      {"POST", "{}", "400 Bad Request", R"({"error":"empty or invalid JSON body"})"},
      {"POST", "no colon", "400 Bad Request", R"({"error":"empty or invalid JSON body"})"},
      {"POST", R"({"title":null})", "400 Bad Request", R"({"error":"empty or invalid JSON body"})"},
      {"POST", R"({"points":1})", "500 Internal Server Error",
       R"({"error":"Insert failed: NOT NULL constraint failed: task.title"})"},
      {"POST", R"({"title":"x","nope":"y"})", "500 Internal Server Error",
       R"({"error":"Insert failed: table task has no column named nope"})"},
      {"POST", R"({"title\") VALUES ('x'); DROP TABLE task; --":"y"})", "500 Internal Server Error",
       R"({"error":"Insert failed: table task has no column named title\") VALUES ('x'); DROP TABLE task; --"})"},
      {"DELETE", "", "405 Method Not Allowed", R"({"error":"method not allowed"})"},
      {"get", "", "405 Method Not Allowed", R"({"error":"method not allowed"})"},
      {"GET", "", "200 OK",
       R"({"ok":true,"data":[{"id": 1, "title": "a, b", "points": 7}, )"
       R"({"id": 2, "title": "plain", "points": 0}, )"
       R"({"id": 3, "title": "say \"hi\"\n\\", "points": 0}, )"
       R"({"id": 4, "title": 7, "points": 2.5}]})"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.method) + " " + std::string(test.body));
    const Answer answer = server.ask(test.method, "/api/task", test.body);
    EXPECT_EQ(answer.status, test.status);
    EXPECT_EQ(answer.body, test.answer);
    EXPECT_EQ(answer.headers, json_headers(answer.body.size()));
    EXPECT_TRUE(nlohmann::json::accept(answer.body)) << answer.body;
  }
  EXPECT_EQ(server.ask("GET", "/api/Task").status, "404 Not Found");
}

TEST(Server, RecordListShowsTheFirstHundredRows) {
  Server server(kShop);
  for (int i = 1; i <= 120; ++i) {
    ASSERT_EQ(server.ask("POST", "/api/task", "title: row " + std::to_string(i)).status,
              "201 Created");
  }
  const auto rows = nlohmann::json::parse(server.ask("GET", "/api/task").body)["data"];
  ASSERT_EQ(rows.size(), 100U);
  EXPECT_EQ(rows[0]["title"], "row 1");
  EXPECT_EQ(rows[99]["title"], "row 100");
}

// Lists are kept between requests; a row written by another process still shows at once.
TEST(Server, ListsSeeRowsFromEveryWriter) {
  TempDir folder;
  Server first(kShop, {}, folder.path());
  Server second(kShop, {}, folder.path());
  const std::string empty = R"({"ok":true,"data":[]})";
  EXPECT_EQ(first.ask("GET", "/api/task").body, empty);
  EXPECT_EQ(first.ask("GET", "/api/task").body, empty);
  EXPECT_EQ(second.ask("POST", "/api/task", "title: b").body, R"({"ok":true,"id":1})");
  const std::string one = R"({"ok":true,"data":[{"id": 1, "title": "b", "points": 0}]})";
  EXPECT_EQ(first.ask("GET", "/api/task").body, one);
  EXPECT_EQ(first.ask("POST", "/api/task", "title: a").body, R"({"ok":true,"id":2})");
  EXPECT_EQ(first.ask("GET", "/api/task").body,
            R"({"ok":true,"data":[{"id": 1, "title": "b", "points": 0}, )"
            R"({"id": 2, "title": "a", "points": 0}]})");
}

TEST(Server, EarlierRoutesKeepTheirPaths) {
  Server server(R"(record Task:
  title is text

record Health:
  ok is yes or no

record TASK:
  other is text

flow task:
  return "flow"

flow health:
  return "flow"
)");
  EXPECT_EQ(server.ask("POST", "/api/task", "title: x").body, R"({"ok":true,"id":1})");
  EXPECT_EQ(server.ask("GET", "/api/task").body, R"({"ok":true,"data":[{"id": 1, "title": "x"}]})");
  EXPECT_EQ(server.ask("GET", "/api/health").body, R"({"ok":true,"version":"0.1.0"})");
  EXPECT_EQ(server.ask("GET", "/api/TASK").status, "404 Not Found");
}

TEST(Server, PageCarriesThePortActuallyBound) {
  Server server(kShop);
  const Answer page = server.ask("GET", "/");
  EXPECT_TRUE(page.body.starts_with("<!DOCTYPE html>\n")) << page.body.substr(0, 100);
  EXPECT_NE(page.body.find("\"http://localhost:" + std::to_string(server.port()) + "\""),
            std::string::npos);
  EXPECT_TRUE(page.body.ends_with("</html>"));
}

TEST(Server, DatabaseThatCannotBeOpenedIsAStartUpError) {
  TempDir work;
  TempDir home;
  write_file(work.path() / "app.plx", std::string(kShop));
  std::filesystem::create_directories(work.path() / ".pellix" / "data.db");
  ProcessOptions options;
  options.working_directory = work.path();
  options.home = home.path();
  const ProcessResult result = run_pellix({"serve", "app.plx", "--port", "0"}, options);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "\n  error: Database error: Could not open database: unable to open "
            "database file\n\n");
  EXPECT_TRUE(result.out.ends_with(kBannerEnd)) << result.out;
}

// Rows answered 201 are committed: a server killed in the middle of inserting keeps them all.
TEST(Server, RowsAnsweredCreatedSurviveAKill) {
  TempDir folder;
  std::vector<std::pair<int, std::string>> created;  // id and title of every 201
  {
    auto server = std::make_unique<Server>(kShop, std::vector<std::string>{}, folder.path());
    std::atomic<bool> stop = false;
    std::atomic<bool> done = false;
    std::atomic<int> count = 0;
    std::string failure;
    const std::uint16_t port = server->port();
    std::thread inserting([&] {
      for (int i = 0; i < 90 && !stop; ++i) {
        const std::string title = "row " + std::to_string(i);
        Connection connection(port);
        if (!connection.is_open()) break;  // killed
        connection.send(
            same_origin_request(port, "POST", "/api/task", R"({"title":")" + title + "\"}"));
        const Answer answer = parse_answer(connection.receive_all(milliseconds(5000)));
        if (answer.status != "201 Created") {
          failure = answer.status + " " + answer.body;
          break;
        }
        created.emplace_back(nlohmann::json::parse(answer.body)["id"].get<int>(), title);
        ++count;
      }
      done = true;
    });
    while (count < 20 && !done) std::this_thread::sleep_for(milliseconds(1));
    server.reset();  // SIGKILL, while requests are still coming
    stop = true;
    inserting.join();
    ASSERT_GE(created.size(), 20U) << failure;
  }
  Server restarted(kShop, {}, folder.path());
  const auto rows = nlohmann::json::parse(restarted.ask("GET", "/api/task").body)["data"];
  ASSERT_GE(rows.size(), created.size());
  for (std::size_t i = 0; i < created.size(); ++i) {
    EXPECT_EQ(rows[i]["id"], created[i].first);
    EXPECT_EQ(rows[i]["title"], created[i].second);
  }
}

TEST(Server, EveryFlowCallRunsInAFreshRuntime) {
  Server server(kShop);
  for (int call = 0; call < 3; ++call) {
    EXPECT_EQ(server.ask("GET", "/api/visits").body, R"({"ok":true,"result":1,"cost":0.0000})");
  }
}

TEST(Server, WhatAFlowPrintsGoesToTheServersOutputAtOnce) {
  Server server(kShop);
  EXPECT_EQ(server.ask("POST", "/api/shout").body, R"({"ok":true,"result":null,"cost":0.0000})");
  EXPECT_TRUE(server.process().out().ends_with("(frontend)\n  [info] shouting\n"))
      << server.process().out();
}

TEST(Server, PageIsServedAtTheRootForAnyMethod) {
  Server server(kShop);
  for (const auto& [method, path] : std::vector<std::pair<std::string, std::string>>{
           {"GET", "/"}, {"GET", "/index.html"}, {"POST", "/"}}) {
    const std::string bytes = round_trip(server.port(), server.request(method, path));
    const Answer answer = parse_answer(bytes);
    EXPECT_EQ(answer.status, "200 OK") << method << " " << path;
    EXPECT_EQ(answer.headers, "Content-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                  std::to_string(answer.body.size()) + "\r\n");
  }
}

TEST(Server, MalformedRequestLinesAreClosedWithoutAnAnswer) {
  Server server(kShop);
  for (const std::string_view request :
       {std::string_view("GET\r\n\r\n"), std::string_view("\r\n\r\n"),
        std::string_view("GET /caf\xC3 HTTP/1.1\r\n\r\n")}) {
    EXPECT_EQ(round_trip(server.port(), request), "") << request;
  }
  Connection empty(server.port());
  empty.finish_sending();
  bool closed = false;
  EXPECT_EQ(empty.receive_all(milliseconds(5000), &closed), "");
  EXPECT_TRUE(closed);
  // The server goes on serving.
  EXPECT_EQ(server.ask("GET", "/api/health").status, "200 OK");
}

TEST(Server, RequestCutShortIsStillAnswered) {
  Server server(kShop);
  Connection line_only(server.port());
  line_only.send("GET /api/total");
  line_only.finish_sending();
  EXPECT_EQ(parse_answer(line_only.receive_all(milliseconds(5000))).body,
            R"({"ok":true,"result":6,"cost":0.0000})");

  // The missing bytes of a short body are zero bytes; the object before them still counts.
  Connection short_body(server.port());
  short_body.send("POST /api/greet HTTP/1.1\r\nContent-Length: 30\r\n\r\n{\"name\":\"Al\"}");
  short_body.finish_sending();
  EXPECT_EQ(parse_answer(short_body.receive_all(milliseconds(5000))).body,
            R"({"ok":true,"result":"hello Al","cost":0.0000})");
}

TEST(Server, LimitsOnBodiesLinesAndHeaders) {
  Server server(kShop);
  const std::string too_large = R"({"error":"request body too large"})";
  const Answer announced = parse_answer(round_trip(
      server.port(), "POST /api/greet HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n{\"name\":"));
  EXPECT_EQ(announced.status, "413 Payload Too Large");
  EXPECT_EQ(announced.body, too_large);

  // A client that goes on sending its oversized body still gets to read the answer.
  Connection sending(server.port());
  sending.send("POST /api/greet HTTP/1.1\r\nContent-Length: 5000000\r\n\r\n");
  sending.send(std::string(256 * 1024, 'x'));
  EXPECT_EQ(parse_answer(sending.receive_all(milliseconds(5000))).body, too_large);

  const std::string most = R"({"name":")" + std::string((1 << 20) - 11, 'n') + "\"}";
  const Answer at_limit = server.ask("POST", "/api/greet", most);
  EXPECT_EQ(at_limit.status, "200 OK");
  EXPECT_EQ(at_limit.body.size(),
            std::string(R"({"ok":true,"result":"hello ","cost":0.0000})").size() + (1 << 20) - 11);

  const std::string headers_too_large = R"({"error":"request headers too large"})";
  const Answer long_header =
      server.ask("GET", "/api/health", "", "Cookie: " + std::string(8200, 'c') + "\r\n");
  EXPECT_EQ(long_header.status, "431 Request Header Fields Too Large");
  EXPECT_EQ(long_header.body, headers_too_large);
  std::string many;
  for (int i = 0; i < 101; ++i) many += "X-" + std::to_string(i) + ": v\r\n";
  EXPECT_EQ(server.ask("GET", "/api/health", "", many).body, headers_too_large);

  EXPECT_EQ(round_trip(server.port(), "GET /" + std::string(8200, 'p') + " HTTP/1.1\r\n\r\n"), "");
  EXPECT_EQ(server.ask("GET", "/api/health").status, "200 OK");
}

TEST(Server, OtherOriginsAndHostsAreForbidden) {
  Server server(kShop);
  const std::string port = std::to_string(server.port());
  const std::string forbidden_origin = R"({"error":"forbidden origin"})";
  const std::string forbidden_host = R"({"error":"forbidden host"})";
  const std::string health = R"({"ok":true,"version":"0.1.0"})";
  struct Case {
    std::string headers;
    std::string answer;
  };
  const std::vector<Case> cases = {
      {"Origin: http://localhost:" + port + "\r\n", health},
      {"Origin: http://127.0.0.1:" + port + "\r\n", health},
      {"Origin: http://LOCALHOST:" + port + "\r\n", health},
      {"Origin: http://localhost:1\r\n", forbidden_origin},
      {"Origin: https://localhost:" + port + "\r\n", forbidden_origin},
      {"Origin: http://evil.example\r\n", forbidden_origin},
      {"Origin: null\r\n", forbidden_origin},
      {"Origin: \r\n", forbidden_origin},
      {"Origin: http://localhost:" + port + "\r\nOrigin: http://evil.example\r\n",
       forbidden_origin},
      {"Host: localhost\r\n", health},
      {"Host: 127.0.0.1:" + port + "\r\n", health},
      {"Host: [::1]:" + port + "\r\n", health},
      {"Host: LocalHost:80\r\n", health},
      {"Host: evil.example:" + port + "\r\n", forbidden_host},
      {"Host: localhost.evil.example\r\n", forbidden_host},
      {"Host: 127.0.0.1.nip.io\r\n", forbidden_host},
      {"Host: localhost:" + port + "x\r\n", forbidden_host},
      {"Host: [::1\r\n", forbidden_host},
      {"Host: \r\n", forbidden_host},
      {"Host: localhost\r\nHost: evil.example\r\n", forbidden_host},
  };
  for (const Case& test : cases) {
    // Written by hand: the helper would add a Host header of its own.
    const Answer answer = parse_answer(
        round_trip(server.port(), "GET /api/health HTTP/1.1\r\n" + test.headers + "\r\n"));
    EXPECT_EQ(answer.body, test.answer) << test.headers;
    EXPECT_EQ(answer.status, test.answer == health ? "200 OK" : "403 Forbidden") << test.headers;
  }
  // A forbidden request does not run its flow.
  const Answer flow = parse_answer(
      round_trip(server.port(), "POST /api/shout HTTP/1.1\r\nOrigin: http://evil.example\r\n\r\n"));
  EXPECT_EQ(flow.body, forbidden_origin);
  EXPECT_EQ(server.process().out().find("shouting"), std::string::npos);
}

TEST(Server, SilentAndSlowClientsHoldUpNobody) {
  const milliseconds idle(2000);
  Server server(kShop, {"PELLIX_SERVE_IDLE_MS=" + std::to_string(idle.count())});
  std::vector<std::unique_ptr<Connection>> silent;
  for (int i = 0; i < 300; ++i) silent.push_back(std::make_unique<Connection>(server.port()));
  std::vector<std::unique_ptr<Connection>> partial;
  for (int i = 0; i < 20; ++i) {
    partial.push_back(std::make_unique<Connection>(server.port()));
    partial.back()->send("GET /api/total HTTP/1.1\r\nHost: localh");
  }

  const auto asked = Clock::now();
  EXPECT_EQ(server.ask("GET", "/api/total").body, R"({"ok":true,"result":6,"cost":0.0000})");
  EXPECT_LT(Clock::now() - asked, idle / 2);

  // A slow client is answered once its request is whole.
  partial.front()->send("ost\r\n\r\n");
  EXPECT_EQ(parse_answer(partial.front()->receive_all(milliseconds(5000))).status, "200 OK");

  // The rest are closed, without an answer, once the idle limit has passed.
  for (const auto& connection : silent) {
    bool closed = false;
    EXPECT_EQ(connection->receive_all(idle * 3, &closed), "");
    EXPECT_TRUE(closed);
  }
  bool closed = false;
  EXPECT_EQ(partial.back()->receive_all(idle * 3, &closed), "");
  EXPECT_TRUE(closed);
  EXPECT_GE(Clock::now() - asked, idle - milliseconds(200));
  EXPECT_EQ(server.ask("GET", "/api/health").status, "200 OK");
}

// With descriptors for only a few dozen connections, a crowd of silent clients still leaves
// room: the one that has waited longest is let go for each newcomer.
TEST(Server, ACrowdOfSilentClientsLeavesRoomForOneMore) {
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
  rlimit small = original;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &small), 0);  // the server inherits it
  Server server(kShop, {"PELLIX_SERVE_IDLE_MS=30000"});
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &original), 0);

  std::vector<std::unique_ptr<Connection>> crowd;
  for (int i = 0; i < 300; ++i) {
    crowd.push_back(std::make_unique<Connection>(server.port()));
    crowd.back()->send("GET /api/total HTTP/1.1\r\n");
  }
  const auto asked = Clock::now();
  EXPECT_EQ(server.ask("GET", "/api/total").body, R"({"ok":true,"result":6,"cost":0.0000})");
  EXPECT_LT(Clock::now() - asked, std::chrono::seconds(5));
  bool closed = false;
  EXPECT_EQ(crowd.front()->receive_all(milliseconds(5000), &closed), "");
  EXPECT_TRUE(closed);
  EXPECT_TRUE(server.process().is_running());
}

TEST(Server, BusyPortIsAStartUpError) {
  Server first(kShop);
  TempDir work;
  TempDir home;
  write_file(work.path() / "app.plx", std::string(kShop));
  ProcessOptions options;
  options.working_directory = work.path();
  options.home = home.path();
  const ProcessResult second =
      run_pellix({"serve", "app.plx", "--port", std::to_string(first.port())}, options);
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "\n  error: Could not start server: Address already in use\n\n");
  EXPECT_EQ(second.out, "");
}

}  // namespace
}  // namespace pellix::testing
