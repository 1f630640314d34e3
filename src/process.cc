#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

extern char** environ;

namespace pellix::os {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kNoProgram = "no program to run";
constexpr std::size_t kReadChunk = 1 << 16;

Unexpected<Error> system_error(int code) { return fail(std::generic_category().message(code)); }

// Owns one file descriptor; closing twice is harmless.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~Descriptor() { close(); }

  int get() const { return fd_; }
  bool is_open() const { return fd_ >= 0; }
  void close() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_ = -1;
};

// The two ends of one channel to the child: ours and the one the child gets.
struct Channel {
  Descriptor ours;
  Descriptor theirs;
};

Result<Channel> make_pipe() {
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC) != 0) return system_error(errno);
  return Channel{Descriptor(ends[0]), Descriptor(ends[1])};
}

// Standard input is a socket rather than a pipe so that writing to a child that has stopped
// reading fails with an error instead of raising SIGPIPE in this process.
Result<Channel> make_input_socket() {
  std::array<int, 2> ends{};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends.data()) != 0) {
    return system_error(errno);
  }
  return Channel{Descriptor(ends[0]), Descriptor(ends[1])};
}

class SpawnActions {
 public:
  SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
};

// The channels of one running child, as seen from this side.
struct Streams {
  Descriptor input;  // closed when there is nothing (more) to write
  Descriptor out;
  Descriptor err;
};

struct Child {
  pid_t pid = -1;
  Streams streams;
};

Result<Child> start(const ProcessRequest& request) {
  if (request.arguments.empty()) return fail(std::string(kNoProgram));
  PX_TRY(Channel out, make_pipe());
  PX_TRY(Channel err, make_pipe());
  // The read end is the child's; dup2 into 0, 1 and 2 drops close-on-exec for those copies.
  Channel input;
  SpawnActions actions;
  if (request.input) {
    PX_TRY(input, make_input_socket());
    ::posix_spawn_file_actions_adddup2(actions.get(), input.theirs.get(), STDIN_FILENO);
  } else {
    ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  ::posix_spawn_file_actions_adddup2(actions.get(), out.theirs.get(), STDOUT_FILENO);
  ::posix_spawn_file_actions_adddup2(actions.get(), err.theirs.get(), STDERR_FILENO);

  std::vector<char*> argv;
  argv.reserve(request.arguments.size() + 1);
  for (const std::string& argument : request.arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  Child child;
  const int code =
      ::posix_spawnp(&child.pid, argv[0], actions.get(), nullptr, argv.data(), environ);
  if (code != 0) return system_error(code);
  child.streams = Streams{std::move(input.ours), std::move(out.ours), std::move(err.ours)};
  return child;
}

// Milliseconds left before the deadline for poll(), rounded up so that a wait never ends
// just short of it; -1 waits without end.
int poll_timeout(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
  if (left.count() <= 0) return 0;
  return static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 1 << 30));
}

bool past(const std::optional<Clock::time_point>& deadline) {
  return deadline && Clock::now() >= *deadline;
}

// Reads what is ready; the end of the stream or a read error closes it.
void drain(Descriptor& stream, std::string& sink) {
  std::array<char, kReadChunk> buffer;
  const ssize_t count = ::read(stream.get(), buffer.data(), buffer.size());
  if (count > 0) {
    sink.append(buffer.data(), static_cast<std::size_t>(count));
  } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
    stream.close();
  }
}

// Writes what the child will take now; a child that stops reading simply gets no more.
void feed(Descriptor& input, std::string_view data, std::size_t& written) {
  const ssize_t count = ::send(input.get(), data.data() + written, data.size() - written,
                               MSG_DONTWAIT | MSG_NOSIGNAL);
  if (count > 0) {
    written += static_cast<std::size_t>(count);
  } else if (count < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
    input.close();
  }
  if (written == data.size()) input.close();
}

// Moves data both ways until the child closes its output or the deadline passes; false when
// the deadline passed. Polling every channel at once keeps a child that fills one pipe while
// this side waits on another from blocking both.
Result<bool> exchange(Streams& streams, std::string_view input,
                      const std::optional<Clock::time_point>& deadline, ProcessOutcome& outcome) {
  std::size_t written = 0;
  if (input.empty()) streams.input.close();
  while (streams.out.is_open() || streams.err.is_open()) {
    if (past(deadline)) return false;
    std::array<pollfd, 3> watched{};
    watched[0] = {streams.input.get(), POLLOUT, 0};
    watched[1] = {streams.out.get(), POLLIN, 0};
    watched[2] = {streams.err.get(), POLLIN, 0};
    // poll() skips entries with a negative descriptor, so closed channels stay in place.
    const int ready = ::poll(watched.data(), watched.size(), poll_timeout(deadline));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return system_error(errno);
    }
    if (watched[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      streams.input.close();
    } else if (watched[0].revents & POLLOUT) {
      feed(streams.input, input, written);
    }
    if (watched[1].revents != 0) drain(streams.out, outcome.out);
    if (watched[2].revents != 0) drain(streams.err, outcome.err);
  }
  streams.input.close();
  return true;
}

void kill_and_reap(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

// Waits for the child's end; false when the deadline passed first. A child has usually ended
// by the time its output closes, so the short sleeps are seldom reached.
Result<bool> wait_for(pid_t pid, const std::optional<Clock::time_point>& deadline,
                      ProcessOutcome& outcome) {
  int status = 0;
  while (true) {
    const pid_t found = ::waitpid(pid, &status, deadline ? WNOHANG : 0);
    if (found == pid) break;
    if (found < 0) {
      if (errno == EINTR) continue;
      return system_error(errno);
    }
    if (past(deadline)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (WIFSIGNALED(status)) {
    outcome.end = ProcessEnd::Signalled;
    outcome.status = WTERMSIG(status);
  } else {
    outcome.end = ProcessEnd::Exited;
    outcome.status = WEXITSTATUS(status);
  }
  return true;
}

}  // namespace

Result<ProcessOutcome> run_process(const ProcessRequest& request) {
  std::optional<Clock::time_point> deadline;
  if (request.time_limit) deadline = Clock::now() + *request.time_limit;
  PX_TRY(Child child, start(request));

  ProcessOutcome outcome;
  const std::string_view input = request.input ? std::string_view(*request.input) : "";
  Result<bool> in_time = exchange(child.streams, input, deadline, outcome);
  if (in_time && *in_time) in_time = wait_for(child.pid, deadline, outcome);
  if (!in_time) {
    kill_and_reap(child.pid);
    return unexpected(std::move(in_time).error());
  }
  if (!*in_time) {
    kill_and_reap(child.pid);
    outcome.end = ProcessEnd::TimedOut;
    outcome.status = 0;
  }
  return outcome;
}

}  // namespace pellix::os
