// What the server answers to each request: the web page, the health check, record
// collections and flows, with the checks that keep other web sites out.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ast.h"
#include "db.h"
#include "server_http.h"

namespace pellix {

class Router {
 public:
  // Prepares every route of `program` and the fixed answers, `page` among them, once. The
  // program and the database must outlive the router; lines that flows print go to `out`.
  Router(const Program& program, Database& database, std::string_view page, std::uint16_t port,
         std::ostream& out);

  // Appends the whole answer to `request`, status line and headers included.
  void respond(Request& request, std::string& answer);

 private:
  struct Route {
    enum class Kind { Page, Health, Record, Flow };
    Kind kind = Kind::Page;
    std::string name;  // the record or flow as declared
    // A record's last list answer, good while the file's data version is `list_version` and
    // this server has inserted nothing since.
    std::string list_answer{};
    std::int64_t list_version = 0;
  };
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };

  bool is_own_origin(std::string_view origin) const;
  void insert_record(const std::string& name, const Request& request, std::string& answer);
  void list_records(Route& route, std::string& answer);
  void call_flow(const std::string& name, Request& request, std::string& answer);
  void answer_error(std::string_view status, std::string_view message, std::string& answer);

  const Program& program_;
  Database& database_;
  std::ostream& out_;
  std::unordered_map<std::string, Route, TextHash, std::equal_to<>> routes_;
  std::vector<Route*> record_routes_;
  std::array<std::string, 2> own_origins_;
  std::string body_;  // the JSON body being built, kept for its memory
  std::string page_answer_;
  std::string health_answer_;
  std::string not_found_answer_;
  std::string method_not_allowed_answer_;
  std::string empty_body_answer_;
  std::string forbidden_origin_answer_;
  std::string forbidden_host_answer_;
  std::string too_large_answer_;
  std::string headers_too_large_answer_;
};

}  // namespace pellix
