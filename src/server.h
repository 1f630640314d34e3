// The API server: a program's record collections, flows and web page over HTTP on the
// loopback address.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>

#include "ast.h"
#include "result.h"
#include "server_http.h"

namespace pellix {

struct ServerOptions {
  HttpLimits limits;
  // A connection that sends or takes nothing for this long is closed without an answer.
  std::chrono::milliseconds idle_limit{10000};
};

// Listens on 127.0.0.1 at `port` (0: a free port chosen by the system), prints the banner with
// the port actually bound, opens the record database ".pellix/data.db" with one table per
// record, builds the web page once, and serves until the process is stopped. Yields only on
// failure: "Could not start server: {reason}", "Database error: {message}", a table's error,
// or "Connection error: {reason}" when the listening socket fails.
Result<void> start_server(const Program& program, std::uint16_t port, const ServerOptions& options,
                          std::ostream& out);

}  // namespace pellix
