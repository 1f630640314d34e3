// Routes are looked up by exact path in one table made at start-up, in which an earlier route
// keeps a path against a later one: the page, then health, then records, then flows. Every
// answer that never changes is framed once.
#include "server_routes.h"

#include <utility>
#include <variant>
#include <vector>

#include "runtime.h"
#include "server_json.h"
#include "text_format.h"
#include "unicode.h"
#include "value.h"

namespace pellix {
namespace {

constexpr std::string_view kOk = "200 OK";
constexpr std::string_view kCreated = "201 Created";
constexpr std::string_view kBadRequest = "400 Bad Request";
constexpr std::string_view kForbidden = "403 Forbidden";
constexpr std::string_view kNotFound = "404 Not Found";
constexpr std::string_view kMethodNotAllowed = "405 Method Not Allowed";
constexpr std::string_view kPayloadTooLarge = "413 Payload Too Large";
constexpr std::string_view kHeadersTooLarge = "431 Request Header Fields Too Large";
constexpr std::string_view kInternalError = "500 Internal Server Error";

constexpr std::string_view kHealthBody = R"({"ok":true,"version":"0.1.0"})";
constexpr std::string_view kNotFoundBody = R"({"error":"not found"})";
constexpr std::string_view kMethodNotAllowedBody = R"({"error":"method not allowed"})";
constexpr std::string_view kEmptyBody = R"({"error":"empty or invalid JSON body"})";
constexpr std::string_view kForbiddenOriginBody = R"({"error":"forbidden origin"})";
constexpr std::string_view kForbiddenHostBody = R"({"error":"forbidden host"})";
constexpr std::string_view kTooLargeBody = R"({"error":"request body too large"})";
constexpr std::string_view kHeadersTooLargeBody = R"({"error":"request headers too large"})";

constexpr std::string_view kApiPrefix = "/api/";
constexpr std::int64_t kListLimit = 100;
constexpr std::string_view kLoopbackHosts[] = {"localhost", "127.0.0.1", "[::1]"};

bool equals_ignoring_case(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    char a = left[i];
    char b = right[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// Whether a Host header names this machine's loopback address, with any port. Names that
// merely resolve there (a rebinding attacker's domain) do not count.
bool is_loopback_host(std::string_view host) {
  std::string_view name = host;
  std::string_view rest;  // ":" and the port, if any
  if (host.starts_with('[')) {
    const std::size_t bracket = host.find(']');
    if (bracket == std::string_view::npos) return false;
    name = host.substr(0, bracket + 1);
    rest = host.substr(bracket + 1);
  } else if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
    name = host.substr(0, colon);
    rest = host.substr(colon);
  }
  if (!rest.empty()) {
    if (rest.front() != ':') return false;
    for (const char c : rest.substr(1)) {
      if (c < '0' || c > '9') return false;
    }
  }
  for (const std::string_view loopback : kLoopbackHosts) {
    if (equals_ignoring_case(name, loopback)) return true;
  }
  return false;
}

std::string json_answer(std::string_view status, std::string_view body) {
  std::string answer;
  append_json_answer(answer, status, body);
  return answer;
}

}  // namespace

Router::Router(const Program& program, Database& database, std::string_view page,
               std::uint16_t port, std::ostream& out)
    : program_(program),
      database_(database),
      out_(out),
      health_answer_(json_answer(kOk, kHealthBody)),
      not_found_answer_(json_answer(kNotFound, kNotFoundBody)),
      method_not_allowed_answer_(json_answer(kMethodNotAllowed, kMethodNotAllowedBody)),
      empty_body_answer_(json_answer(kBadRequest, kEmptyBody)),
      forbidden_origin_answer_(json_answer(kForbidden, kForbiddenOriginBody)),
      forbidden_host_answer_(json_answer(kForbidden, kForbiddenHostBody)),
      too_large_answer_(json_answer(kPayloadTooLarge, kTooLargeBody)),
      headers_too_large_answer_(json_answer(kHeadersTooLarge, kHeadersTooLargeBody)) {
  append_page_answer(page_answer_, page);
  const std::string port_text = std::to_string(port);
  own_origins_ = {"http://localhost:" + port_text, "http://127.0.0.1:" + port_text};

  routes_.emplace("/", Route{Route::Kind::Page, ""});
  routes_.emplace("/index.html", Route{Route::Kind::Page, ""});
  routes_.emplace("/api/health", Route{Route::Kind::Health, ""});
  // emplace keeps the first route of a path, which is the one tried first.
  for (const Declaration& declaration : program.declarations) {
    if (const auto* record = std::get_if<RecordDecl>(&declaration.node)) {
      const auto [place, is_new] = routes_.emplace(std::string(kApiPrefix) + to_lower(record->name),
                                                   Route{Route::Kind::Record, record->name});
      if (is_new) record_routes_.push_back(&place->second);
    }
  }
  for (const Declaration& declaration : program.declarations) {
    if (const auto* flow = std::get_if<FlowDecl>(&declaration.node)) {
      routes_.emplace(std::string(kApiPrefix) + flow->name, Route{Route::Kind::Flow, flow->name});
    }
  }
}

void Router::respond(Request& request, std::string& answer) {
  if (request.are_headers_too_large) {
    answer += headers_too_large_answer_;
    return;
  }
  for (const std::string& origin : request.origins) {
    if (!is_own_origin(origin)) {
      answer += forbidden_origin_answer_;
      return;
    }
  }
  for (const std::string& host : request.hosts) {
    if (!is_loopback_host(host)) {
      answer += forbidden_host_answer_;
      return;
    }
  }
  if (request.is_body_too_large) {
    answer += too_large_answer_;
    return;
  }
  const auto found = routes_.find(std::string_view(request.path));
  if (found == routes_.end()) {
    answer += not_found_answer_;
    return;
  }
  Route& route = found->second;
  switch (route.kind) {
    case Route::Kind::Page:
      answer += page_answer_;
      return;
    case Route::Kind::Health:
      answer += health_answer_;
      return;
    case Route::Kind::Record:
      if (request.method == "POST") {
        insert_record(route.name, request, answer);
      } else if (request.method == "GET") {
        list_records(route, answer);
      } else {
        answer += method_not_allowed_answer_;
      }
      return;
    case Route::Kind::Flow:
      call_flow(route.name, request, answer);
      return;
  }
}

bool Router::is_own_origin(std::string_view origin) const {
  for (const std::string& own : own_origins_) {
    if (equals_ignoring_case(origin, own)) return true;
  }
  return false;
}

void Router::insert_record(const std::string& name, const Request& request, std::string& answer) {
  BodyPairs pairs = read_body_pairs(request.body);
  if (pairs.empty()) {
    answer += empty_body_answer_;
    return;
  }
  // Whatever the outcome, the table may have changed under the lists kept.
  for (Route* record : record_routes_) record->list_answer.clear();
  std::vector<Map::Entry> fields;
  fields.reserve(pairs.size());
  for (auto& [key, value] : pairs) {
    fields.push_back({std::move(key), Value::text(std::move(value))});
  }
  const Result<std::int64_t> id = database_.create(name, fields);
  if (!id) {
    answer_error(kInternalError, id.error().message, answer);
    return;
  }
  body_ = R"({"ok":true,"id":)";
  body_ += std::to_string(*id);
  body_ += '}';
  append_json_answer(answer, kCreated, body_);
}

// The page asks for its tables on every load; a list is read from the file again only when
// the file has changed since.
void Router::list_records(Route& route, std::string& answer) {
  const Result<std::int64_t> version = database_.data_version();
  if (version && !route.list_answer.empty() && *version == route.list_version) {
    answer += route.list_answer;
    return;
  }
  const Result<std::vector<Map>> rows = database_.find(route.name, kListLimit);
  if (!rows) {
    answer_error(kInternalError, rows.error().message, answer);
    return;
  }
  body_ = R"({"ok":true,"data":[)";
  for (std::size_t i = 0; i < rows->size(); ++i) {
    if (i > 0) body_ += ", ";
    append_json(body_, (*rows)[i]);
  }
  body_ += "]}";
  const std::size_t start = answer.size();
  append_json_answer(answer, kOk, body_);
  if (version) {
    route.list_answer.assign(answer, start);
    route.list_version = *version;
  }
}

// Each call runs in a runtime of its own, so that nothing one request leaves behind is seen
// by the next.
void Router::call_flow(const std::string& name, Request& request, std::string& answer) {
  std::vector<Value> arguments;
  for (auto& [key, value] : read_body_pairs(request.body)) {
    arguments.push_back(Value::text(std::move(value)));
  }
  Runtime runtime(out_);
  runtime.load(program_);
  const Result<Value> result = runtime.run_flow(name, std::move(arguments));
  out_.flush();  // what the flow printed shows now, not when the buffer fills
  if (!result) {
    answer_error(kInternalError, result.error().message, answer);
    return;
  }
  body_ = R"({"ok":true,"result":)";
  append_json(body_, *result);
  body_ += R"(,"cost":)";
  append_json_fixed(body_, runtime.total_cost, 4);
  body_ += '}';
  append_json_answer(answer, kOk, body_);
}

void Router::answer_error(std::string_view status, std::string_view message, std::string& answer) {
  body_ = R"({"error":)";
  append_json_text(body_, message);
  body_ += '}';
  append_json_answer(answer, status, body_);
}

}  // namespace pellix
