#include "provider_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace pellix::testing {
namespace {

namespace fs = std::filesystem;

bool same_name(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// A record is "METHOD PATH", one "Name: value" line per header, an empty line, the body.
RecordedRequest parse_record(const std::string& record) {
  RecordedRequest request;
  const std::size_t head_end = record.find("\n\n");
  if (head_end == std::string::npos) throw std::runtime_error("malformed request record");
  request.body = record.substr(head_end + 2);
  std::size_t start = 0;
  bool first = true;
  while (start < head_end) {
    const std::size_t end = record.find('\n', start);
    const std::string line = record.substr(start, end - start);
    start = end + 1;
    if (first) {
      const std::size_t space = line.find(' ');
      request.method = line.substr(0, space);
      request.path = line.substr(space + 1);
      first = false;
      continue;
    }
    const std::size_t colon = line.find(": ");
    request.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
  }
  return request;
}

}  // namespace

std::vector<std::string> RecordedRequest::header(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [key, value] : headers) {
    if (same_name(key, name)) values.push_back(value);
  }
  return values;
}

ProviderServer::ProviderServer(const ServerOptions& options) {
  const fs::path port_file = folder_.path() / "port";
  const fs::path records = folder_.path() / "requests";
  fs::create_directory(records);
  std::vector<std::string> argv = {PELLIX_PYTHON3,     PELLIX_PROVIDER_SERVER, "--port-file",
                                   port_file.string(), "--record-dir",         records.string()};
  for (const ServerRoute& route : options.routes) {
    argv.insert(argv.end(),
                {"--route", route.path, std::to_string(route.status), route.answer.string()});
  }
  if (options.silent) argv.emplace_back("--silent");

  std::vector<char*> pointers;
  for (std::string& item : argv) pointers.push_back(item.data());
  pointers.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(port_file)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("the provider server ended before it listened");
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("the provider server did not start in time");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  port_ = std::stoi(read_file(port_file));
}

ProviderServer::~ProviderServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

std::string ProviderServer::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<RecordedRequest> ProviderServer::requests() const {
  std::vector<RecordedRequest> requests;
  for (int number = 1;; ++number) {
    const fs::path record = folder_.path() / "requests" / ("request-" + std::to_string(number));
    if (!fs::exists(record)) break;
    requests.push_back(parse_record(read_file(record)));
  }
  return requests;
}

std::vector<RecordedRequest> ProviderServer::wait_for_requests(std::size_t count) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::vector<RecordedRequest> received = requests();
  while (received.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    received = requests();
  }
  return received;
}

int closed_loopback_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("bind failed");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

}  // namespace pellix::testing
