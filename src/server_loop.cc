// One thread serves every connection. Reading is done side by side over non-blocking sockets,
// so a client that is slow, silent or hostile holds up nobody but itself and is closed after
// the idle limit; the requests themselves are answered one at a time, so the database and the
// interpreter never see two at once.
#include "server_loop.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <list>
#include <memory>
#include <optional>
#include <system_error>

namespace pellix {
namespace {

constexpr std::string_view kCouldNotStart = "Could not start server: ";
constexpr std::string_view kConnectionError = "Connection error: ";

constexpr std::size_t kReadChunk = 8192;
constexpr int kReadRounds = 16;  // chunks read from one connection before others get a turn
constexpr int kAcceptBatch = 64;
constexpr int kMaxEvents = 256;
// An answered client that goes on sending is given this long to stop before the close, so
// that the close does not reset the connection under an answer it has not read yet.
constexpr std::chrono::milliseconds kLingerLimit{2000};
// When the system runs out of descriptors and there is no connection to let go, accepting
// rests this long instead of spinning.
constexpr std::chrono::milliseconds kAcceptPause{100};
// Descriptors kept free for the database, model calls through curl and the standard streams.
constexpr std::size_t kReservedDescriptors = 64;
constexpr std::size_t kMaxConnections = 4096;
constexpr std::size_t kMinConnections = 8;
constexpr std::size_t kMaxSpare = 64;
constexpr std::size_t kMaxKeptBuffer = 64 * 1024;

using Clock = std::chrono::steady_clock;

std::string system_reason(int code) { return std::generic_category().message(code); }

Unexpected<Error> failure(std::string_view prefix, int code) {
  std::string message(prefix);
  message += system_reason(code);
  return fail(std::move(message));
}

// How many connections may be open at once: what the descriptor limit leaves free.
std::size_t connection_limit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return kMaxConnections;
  }
  const auto available = static_cast<std::size_t>(limit.rlim_cur);
  const std::size_t usable =
      available > kReservedDescriptors ? available - kReservedDescriptors : 0;
  return std::clamp(usable, kMinConnections, kMaxConnections);
}

// Accept failures that concern one connection (or a moment's shortage), not the listener.
bool is_passing_accept_error(int code) {
  switch (code) {
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case ETIMEDOUT:
      return true;
    default:
      return false;
  }
}

bool is_shortage(int code) {
  return code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM;
}

struct Connection;
using ConnectionList = std::list<std::unique_ptr<Connection>>;

struct Connection {
  enum class Phase { Reading, Writing, Draining };

  explicit Connection(const HttpLimits& limits) : reader(limits) {}

  int fd = -1;
  Phase phase = Phase::Reading;
  RequestReader reader;
  std::string answer;
  std::size_t written = 0;
  bool is_watched = false;  // in the epoll set
  bool is_watching_output = false;
  Clock::time_point deadline;
  ConnectionList::iterator place;  // in the list that holds it
};

class ConnectionLoop {
 public:
  ConnectionLoop(const Listener& listener, const ServerOptions& options, const Responder& respond)
      : listener_(listener),
        options_(options),
        respond_(respond),
        max_connections_(connection_limit()) {}
  ConnectionLoop(const ConnectionLoop&) = delete;
  ConnectionLoop& operator=(const ConnectionLoop&) = delete;
  ~ConnectionLoop();

  Result<void> run();

 private:
  void accept_connections(Result<void>& outcome);
  void add_connection(int fd);
  void on_event(Connection& connection);
  void read_request(Connection& connection);
  void answer(Connection& connection);
  void write_answer(Connection& connection);
  void drain(Connection& connection);
  void close(Connection& connection);
  bool evict_oldest();
  void expire(Clock::time_point now);
  void touch(Connection& connection);
  void watch(Connection& connection, bool output);
  void pause_accepting();
  void resume_accepting();
  int wait_milliseconds() const;
  void trim_spare();

  const Listener& listener_;
  const ServerOptions& options_;
  const Responder& respond_;
  std::size_t max_connections_;
  int epoll_fd_ = -1;
  // Reading or writing connections in the order of their deadlines (their last activity).
  ConnectionList active_;
  // Answered connections waiting for their client to stop sending, in deadline order.
  ConnectionList draining_;
  // Closed connections kept with their buffers for the next ones.
  ConnectionList spare_;
  std::size_t open_count_ = 0;
  bool is_accept_paused_ = false;
  Clock::time_point accept_resumes_;
  std::array<char, kReadChunk> buffer_{};
};

ConnectionLoop::~ConnectionLoop() {
  for (ConnectionList* list : {&active_, &draining_}) {
    for (const auto& connection : *list) ::close(connection->fd);
  }
  if (epoll_fd_ >= 0) ::close(epoll_fd_);
}

Result<void> ConnectionLoop::run() {
  epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
  if (epoll_fd_ < 0) return failure(kCouldNotStart, errno);
  epoll_event listening{};
  listening.events = EPOLLIN;
  listening.data.ptr = nullptr;
  if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, listener_.fd(), &listening) != 0) {
    return failure(kCouldNotStart, errno);
  }
  std::array<epoll_event, kMaxEvents> events{};
  while (true) {
    const int count = ::epoll_wait(epoll_fd_, events.data(), kMaxEvents, wait_milliseconds());
    if (count < 0) {
      if (errno == EINTR) continue;
      return failure(kConnectionError, errno);
    }
    // The listener comes last: accepting may let go of a connection whose event is in this
    // same batch.
    bool is_listener_ready = false;
    for (int i = 0; i < count; ++i) {
      if (events[i].data.ptr == nullptr) {
        is_listener_ready = true;
      } else {
        on_event(*static_cast<Connection*>(events[i].data.ptr));
      }
    }
    if (is_listener_ready) {
      Result<void> outcome;
      accept_connections(outcome);
      if (!outcome) return outcome;
    }
    const Clock::time_point now = Clock::now();
    if (is_accept_paused_ && now >= accept_resumes_) resume_accepting();
    expire(now);
    trim_spare();
  }
}

void ConnectionLoop::accept_connections(Result<void>& outcome) {
  for (int i = 0; i < kAcceptBatch; ++i) {
    const int fd = ::accept4(listener_.fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      if (open_count_ >= max_connections_) evict_oldest();
      add_connection(fd);
      continue;
    }
    const int code = errno;
    if (code == EAGAIN || code == EWOULDBLOCK) return;
    if (is_passing_accept_error(code)) continue;
    if (is_shortage(code)) {
      if (evict_oldest()) continue;
      pause_accepting();
      return;
    }
    outcome = failure(kConnectionError, code);
    return;
  }
}

void ConnectionLoop::add_connection(int fd) {
  if (spare_.empty()) {
    spare_.push_back(std::make_unique<Connection>(options_.limits));
  }
  const auto place = spare_.begin();
  active_.splice(active_.end(), spare_, place);
  Connection& connection = **place;
  connection.place = place;
  connection.fd = fd;
  connection.phase = Connection::Phase::Reading;
  connection.written = 0;
  connection.is_watched = false;
  connection.is_watching_output = false;
  connection.deadline = Clock::now() + options_.idle_limit;
  ++open_count_;
  // The request has usually arrived by the time its connection is accepted; reading it now
  // saves a trip through the epoll set, which takes the connection only if it must wait.
  read_request(connection);
}

void ConnectionLoop::on_event(Connection& connection) {
  switch (connection.phase) {
    case Connection::Phase::Reading:
      read_request(connection);
      return;
    case Connection::Phase::Writing:
      write_answer(connection);
      return;
    case Connection::Phase::Draining:
      drain(connection);
      return;
  }
}

void ConnectionLoop::read_request(Connection& connection) {
  RequestReader::State state = connection.reader.state();
  for (int round = 0; round < kReadRounds && state == RequestReader::State::Reading; ++round) {
    const ssize_t count = ::recv(connection.fd, buffer_.data(), buffer_.size(), 0);
    if (count > 0) {
      touch(connection);
      state = connection.reader.take({buffer_.data(), static_cast<std::size_t>(count)});
      // A short read has emptied the socket; waiting is cheaper than asking again.
      if (static_cast<std::size_t>(count) < buffer_.size()) break;
    } else if (count == 0) {
      state = connection.reader.finish();
    } else if (errno == EINTR) {
      continue;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      break;
    } else {
      close(connection);  // reset by the client: nobody to answer
      return;
    }
  }
  switch (state) {
    case RequestReader::State::Reading:
      watch(connection, false);
      return;
    case RequestReader::State::Complete:
      answer(connection);
      return;
    case RequestReader::State::Refused:
      close(connection);
      return;
  }
}

void ConnectionLoop::answer(Connection& connection) {
  connection.answer.clear();
  respond_(connection.reader.request(), connection.answer);
  connection.written = 0;
  connection.phase = Connection::Phase::Writing;
  // Answering may have taken long (a flow, a model call); the client was not silent.
  touch(connection);
  write_answer(connection);
}

void ConnectionLoop::write_answer(Connection& connection) {
  while (connection.written < connection.answer.size()) {
    // MSG_MORE holds the last piece back until the close that follows, so that the answer
    // and the end of the connection leave in one segment.
    const ssize_t count =
        ::send(connection.fd, connection.answer.data() + connection.written,
               connection.answer.size() - connection.written, MSG_NOSIGNAL | MSG_MORE);
    if (count > 0) {
      connection.written += static_cast<std::size_t>(count);
      touch(connection);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      watch(connection, true);
      return;
    } else {
      close(connection);  // the client went away; nothing more to do for it
      return;
    }
  }
  if (!connection.reader.has_unread_input()) {
    close(connection);
    return;
  }
  ::shutdown(connection.fd, SHUT_WR);
  connection.phase = Connection::Phase::Draining;
  connection.deadline =
      Clock::now() + std::min<std::chrono::milliseconds>(kLingerLimit, options_.idle_limit);
  draining_.splice(draining_.end(), active_, connection.place);
  watch(connection, false);
}

void ConnectionLoop::drain(Connection& connection) {
  for (int round = 0; round < kReadRounds; ++round) {
    const ssize_t count = ::recv(connection.fd, buffer_.data(), buffer_.size(), 0);
    if (count > 0) continue;
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    close(connection);  // the end of the stream, or an error
    return;
  }
}

void ConnectionLoop::close(Connection& connection) {
  ::close(connection.fd);  // also ends its interest in the epoll set
  connection.fd = -1;
  // One large body or answer should not stay in memory for good.
  if (connection.reader.request().body.capacity() > kMaxKeptBuffer) {
    connection.reader = RequestReader(options_.limits);
  } else {
    connection.reader.reset();
  }
  if (connection.answer.capacity() > kMaxKeptBuffer) {
    connection.answer = std::string();
  } else {
    connection.answer.clear();
  }
  --open_count_;
  ConnectionList& holder = connection.phase == Connection::Phase::Draining ? draining_ : active_;
  spare_.splice(spare_.end(), holder, connection.place);
}

// Lets go of the connection that has waited longest for its client, answered ones first.
bool ConnectionLoop::evict_oldest() {
  if (!draining_.empty()) {
    close(*draining_.front());
    return true;
  }
  if (!active_.empty()) {
    close(*active_.front());
    return true;
  }
  return false;
}

void ConnectionLoop::expire(Clock::time_point now) {
  while (!draining_.empty() && draining_.front()->deadline <= now) close(*draining_.front());
  while (!active_.empty() && active_.front()->deadline <= now) {
    Connection& connection = *active_.front();
    if (connection.phase == Connection::Phase::Reading) {
      // Bytes may have come while another request was being answered; only a connection
      // with nothing to read is silent.
      const Clock::time_point before = connection.deadline;
      read_request(connection);
      if (connection.fd < 0 || connection.phase != Connection::Phase::Reading ||
          connection.deadline != before) {
        continue;
      }
    }
    close(connection);
  }
}

void ConnectionLoop::touch(Connection& connection) {
  connection.deadline = Clock::now() + options_.idle_limit;
  if (connection.phase != Connection::Phase::Draining) {
    active_.splice(active_.end(), active_, connection.place);
  }
}

void ConnectionLoop::watch(Connection& connection, bool output) {
  if (connection.is_watched && connection.is_watching_output == output) return;
  epoll_event interest{};
  interest.events = output ? EPOLLOUT : EPOLLIN;
  interest.data.ptr = &connection;
  const int operation = connection.is_watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
  if (::epoll_ctl(epoll_fd_, operation, connection.fd, &interest) != 0) {
    close(connection);
    return;
  }
  connection.is_watched = true;
  connection.is_watching_output = output;
}

void ConnectionLoop::pause_accepting() {
  epoll_event none{};
  none.data.ptr = nullptr;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, listener_.fd(), &none);
  is_accept_paused_ = true;
  accept_resumes_ = Clock::now() + kAcceptPause;
}

void ConnectionLoop::resume_accepting() {
  epoll_event listening{};
  listening.events = EPOLLIN;
  listening.data.ptr = nullptr;
  ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, listener_.fd(), &listening);
  is_accept_paused_ = false;
}

int ConnectionLoop::wait_milliseconds() const {
  std::optional<Clock::time_point> next;
  const auto consider = [&next](Clock::time_point at) {
    if (!next || at < *next) next = at;
  };
  if (!active_.empty()) consider(active_.front()->deadline);
  if (!draining_.empty()) consider(draining_.front()->deadline);
  if (is_accept_paused_) consider(accept_resumes_);
  if (!next) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(wait, 0, 60 * 60 * 1000));
}

// Closed connections are freed only here, between batches of events, because an event of
// the batch being handled may still name one.
void ConnectionLoop::trim_spare() {
  while (spare_.size() > kMaxSpare) spare_.pop_back();
}

}  // namespace

Result<Listener> Listener::open(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return failure(kCouldNotStart, errno);
  Listener listener(fd, port);
  // A restarted server can take its port back at once, though old connections linger.
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, SOMAXCONN) != 0) {
    return failure(kCouldNotStart, errno);
  }
  socklen_t length = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return failure(kCouldNotStart, errno);
  }
  listener.port_ = ntohs(address.sin_port);
  return listener;
}

Listener::~Listener() {
  if (fd_ >= 0) ::close(fd_);
}

Result<void> serve_connections(const Listener& listener, const ServerOptions& options,
                               const Responder& respond) {
  ConnectionLoop loop(listener, options, respond);
  return loop.run();
}

}  // namespace pellix
