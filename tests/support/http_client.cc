#include "http_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace pellix::testing {

Connection::Connection(std::uint16_t port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd_ >= 0 &&
      ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

Connection::~Connection() {
  if (fd_ >= 0) ::close(fd_);
}

bool Connection::send(std::string_view bytes) {
  while (!bytes.empty() && fd_ >= 0) {
    const ssize_t count = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return fd_ >= 0;
}

void Connection::finish_sending() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

std::string Connection::receive_all(std::chrono::milliseconds limit, bool* closed) {
  std::string received;
  if (closed != nullptr) *closed = false;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::array<char, 65536> buffer{};
  while (fd_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd wanted{fd_, POLLIN, 0};
    if (::poll(&wanted, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t count = ::recv(fd_, buffer.data(), buffer.size(), 0);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {  // the close, or a reset, which also ends the answer
      if (closed != nullptr) *closed = true;
      break;
    }
    received.append(buffer.data(), static_cast<std::size_t>(count));
  }
  return received;
}

std::string round_trip(std::uint16_t port, std::string_view request,
                       std::chrono::milliseconds limit) {
  Connection connection(port);
  EXPECT_TRUE(connection.is_open()) << "cannot connect to port " << port;
  connection.send(request);
  bool closed = false;
  std::string answer = connection.receive_all(limit, &closed);
  EXPECT_TRUE(closed) << "the server kept the connection open: " << request.substr(0, 200);
  return answer;
}

Answer parse_answer(std::string_view bytes) {
  Answer answer;
  const std::size_t line_end = bytes.find("\r\n");
  const std::size_t head_end = bytes.find("\r\n\r\n");
  if (!bytes.starts_with("HTTP/1.1 ") || line_end == std::string_view::npos ||
      head_end == std::string_view::npos) {
    return answer;
  }
  answer.status = bytes.substr(9, line_end - 9);
  answer.headers = bytes.substr(line_end + 2, head_end + 2 - (line_end + 2));
  answer.body = bytes.substr(head_end + 4);
  return answer;
}

}  // namespace pellix::testing
