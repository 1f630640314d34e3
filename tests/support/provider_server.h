// A model provider stand-in on the loopback address (provider_server.py), started by a test
// and stopped when the object goes, and the requests it received.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/subprocess.h"

namespace pellix::testing {

struct RecordedRequest {
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string body;

  // The values of every header of that name (names compared ignoring case).
  std::vector<std::string> header(std::string_view name) const;
};

struct ServerRoute {
  std::string path;
  int status = 200;
  std::filesystem::path answer;  // the file whose bytes are the answer body
};

struct ServerOptions {
  std::vector<ServerRoute> routes;
  bool silent = false;  // record requests but never answer
};

class ProviderServer {
 public:
  // Starts the server and waits until it listens; throws when it cannot be started.
  explicit ProviderServer(const ServerOptions& options);
  ProviderServer(const ProviderServer&) = delete;
  ProviderServer& operator=(const ProviderServer&) = delete;
  ~ProviderServer();

  // "http://127.0.0.1:PORT", with no trailing slash.
  std::string url() const;

  // The requests received so far, in order.
  std::vector<RecordedRequest> requests() const;

  // The requests received, once there are `count` of them or a few seconds have passed.
  std::vector<RecordedRequest> wait_for_requests(std::size_t count) const;

 private:
  TempDir folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A port on the loopback address that nothing listens on (bound, then released).
int closed_loopback_port();

}  // namespace pellix::testing
