// A raw HTTP client for the server tests: it sends exactly the bytes a test gives and keeps
// exactly the bytes the server sends back.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace pellix::testing {

// One TCP connection to 127.0.0.1, closed when the object goes.
class Connection {
 public:
  // Connects to `port`; see `is_open` for whether that worked.
  explicit Connection(std::uint16_t port);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  bool is_open() const { return fd_ >= 0; }
  // Sends all of `bytes`; false when the connection is gone.
  bool send(std::string_view bytes);
  // Ends the sending side, so the server sees the end of the stream.
  void finish_sending();
  // Everything the server sends until it closes the connection; `closed` says whether it did
  // before `limit` passed.
  std::string receive_all(std::chrono::milliseconds limit, bool* closed = nullptr);

 private:
  int fd_ = -1;
};

// Sends `request` on a new connection and yields the whole answer (up to the server's close).
std::string round_trip(std::uint16_t port, std::string_view request,
                       std::chrono::milliseconds limit = std::chrono::seconds(10));

// An answer taken apart: the status text ("200 OK"), the header block and the body.
struct Answer {
  std::string status;
  std::string headers;  // the lines between the status line and the empty line, CRLF kept
  std::string body;
};

// Splits the bytes of an answer; an empty status when they are not an HTTP answer.
Answer parse_answer(std::string_view bytes);

}  // namespace pellix::testing
