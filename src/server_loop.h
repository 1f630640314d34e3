// The server's sockets: the listening socket on the loopback address and the loop that reads
// requests from every open connection and writes their answers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "result.h"
#include "server.h"
#include "server_http.h"

namespace pellix {

// A listening TCP socket on 127.0.0.1.
class Listener {
 public:
  // Binds `port` (0: a free one); the error is "Could not start server: {reason}".
  static Result<Listener> open(std::uint16_t port);

  Listener(Listener&& other) noexcept : fd_(other.fd_), port_(other.port_) { other.fd_ = -1; }
  Listener& operator=(Listener&&) = delete;
  Listener(const Listener&) = delete;
  ~Listener();

  int fd() const { return fd_; }
  // The port actually bound.
  std::uint16_t port() const { return port_; }

 private:
  Listener(int fd, std::uint16_t port) : fd_(fd), port_(port) {}

  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// Appends the whole answer to `request` to `answer`.
using Responder = std::function<void(Request& request, std::string& answer)>;

// Accepts connections and answers one request on each, until the listening socket fails;
// yields "Connection error: {reason}" then. Connections are read side by side, so a slow or
// silent client holds up no other; requests are answered one at a time, in the order they
// complete.
Result<void> serve_connections(const Listener& listener, const ServerOptions& options,
                               const Responder& respond);

}  // namespace pellix
