// Start-up happens in a fixed order: the port is bound and announced first, so that a client
// knows where to go, then the database and the page are made before the first connection.
#include "server.h"

#include <string>
#include <string_view>
#include <variant>

#include "db.h"
#include "html.h"
#include "server_loop.h"
#include "server_routes.h"
#include "unicode.h"

namespace pellix {
namespace {

constexpr std::string_view kDatabasePath = ".pellix/data.db";
constexpr std::string_view kDatabaseError = "Database error: ";

constexpr std::string_view kRunningAt = "\n  Pellix server running at ";
constexpr std::string_view kEndpoints = "\n  API endpoints:\n";
constexpr std::string_view kHealthEndpoint = "    GET  /api/health\n";
constexpr std::string_view kPressCtrlC = "\n  Press Ctrl+C to stop.\n\n";
constexpr std::string_view kFrontend = "    GET  /                (frontend)\n";

void print_banner(const Program& program, const std::string& url, std::ostream& out) {
  out << kRunningAt << url << '\n' << kEndpoints;
  for (const Declaration& declaration : program.declarations) {
    if (const auto* flow = std::get_if<FlowDecl>(&declaration.node)) {
      out << "    " << (flow->params.empty() ? "GET" : "POST") << " /api/" << flow->name << '\n';
    }
  }
  for (const Declaration& declaration : program.declarations) {
    if (const auto* record = std::get_if<RecordDecl>(&declaration.node)) {
      const std::string table = to_lower(record->name);
      out << "    GET  /api/" << table << "\n    POST /api/" << table << '\n';
    }
  }
  out << kHealthEndpoint << kPressCtrlC;
}

bool has_pages(const Program& program) {
  for (const Declaration& declaration : program.declarations) {
    if (std::holds_alternative<PageDecl>(declaration.node)) return true;
  }
  return false;
}

}  // namespace

Result<void> start_server(const Program& program, std::uint16_t port, const ServerOptions& options,
                          std::ostream& out) {
  PX_TRY(const Listener listener, Listener::open(port));
  const std::string url = "http://localhost:" + std::to_string(listener.port());
  print_banner(program, url, out);
  out.flush();  // whoever started the server waits for this to know the port

  auto database = Database::open(std::string(kDatabasePath));
  if (!database) return fail(std::string(kDatabaseError) + database.error().message);
  for (const Declaration& declaration : program.declarations) {
    if (const auto* record = std::get_if<RecordDecl>(&declaration.node)) {
      PX_CHECK(database->register_record(*record));
    }
  }
  const std::string page = HtmlGenerator(program, url).generate_shell(program);
  if (has_pages(program)) out << kFrontend;
  out.flush();

  Router router(program, *database, page, listener.port(), out);
  return serve_connections(listener, options, [&router](Request& request, std::string& answer) {
    router.respond(request, answer);
  });
}

}  // namespace pellix
