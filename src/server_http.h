// The server's side of HTTP/1.1: reading one request from the bytes of a connection, within
// limits, and framing the answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

// How much of a request the server is willing to read.
struct HttpLimits {
  std::size_t max_line_bytes = 8192;  // the request line and each header line, line feed excluded
  std::size_t max_headers = 100;
  std::size_t max_body_bytes = 1 << 20;
};

// What the server reads of a request.
struct Request {
  std::string method;
  std::string path;
  std::string body;                  // UTF-8, ill-formed sequences replaced by U+FFFD
  std::vector<std::string> hosts;    // the value of every Host header, trimmed
  std::vector<std::string> origins;  // the value of every Origin header, trimmed
  // The announced body is over the limit; it was not read (nor room made for it).
  bool is_body_too_large = false;
  // A header line over the limit, or too many of them; the rest was not read.
  bool are_headers_too_large = false;
};

// Reads one request from the bytes of a connection as they arrive.
class RequestReader {
 public:
  enum class State {
    Reading,   // more bytes are needed
    Complete,  // the request is read as far as it will be, its flags included
    Refused,   // no request line, or a malformed one: close without an answer
  };

  explicit RequestReader(HttpLimits limits = {}) : limits_(limits) {}

  // Reads the next bytes of the connection; bytes past a finished request are not read.
  State take(std::string_view bytes);
  // The connection's end: a partial line still counts, a short body is padded with zero bytes.
  State finish();

  State state() const { return state_; }
  Request& request() { return request_; }
  // Whether the client sent, or announced, bytes that were never read.
  bool has_unread_input() const { return has_unread_input_; }

  // Forgets the request, keeping the memory for the next one.
  void reset();

 private:
  enum class Phase { RequestLine, Headers, MessageBody };

  void read_line(std::string_view line);
  void read_request_line(std::string_view line);
  void read_header(std::string_view line);
  void headers_too_large();
  void end_headers();
  void complete();

  HttpLimits limits_;
  State state_ = State::Reading;
  Phase phase_ = Phase::RequestLine;
  Request request_;
  std::string partial_line_;  // the start of a line whose line feed has not arrived
  std::size_t header_count_ = 0;
  std::uint64_t body_length_ = 0;
  bool has_unread_input_ = false;
};

// Appends a JSON answer: the status line ("HTTP/1.1 " + `status`), its content type, an
// access-control header allowing any origin, the length, and `body`.
void append_json_answer(std::string& out, std::string_view status, std::string_view body);

// Appends the answer that carries the web page.
void append_page_answer(std::string& out, std::string_view page);

}  // namespace pellix
