#include "subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

extern char** environ;

namespace pellix::testing {
namespace {

// Variables that would let a test reach a real model provider or the user's own home.
bool is_scrubbed(std::string_view entry) {
  for (std::string_view prefix :
       {"PELLIX_", "ANTHROPIC_", "OPENAI_", "GOOGLE_", "HOME=", "USERPROFILE="}) {
    if (entry.starts_with(prefix)) return true;
  }
  return false;
}

std::string_view name_part(std::string_view entry) { return entry.substr(0, entry.find('=') + 1); }

std::vector<std::string> child_environment(const ProcessOptions& options) {
  const auto is_replaced = [&](std::string_view entry) {
    return std::any_of(
        options.environment.begin(), options.environment.end(),
        [&](const std::string& added) { return name_part(added) == name_part(entry); });
  };
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!is_scrubbed(*entry) && !is_replaced(*entry)) variables.emplace_back(*entry);
  }
  if (!options.home.empty()) variables.push_back("HOME=" + options.home.string());
  variables.insert(variables.end(), options.environment.begin(), options.environment.end());
  // In the sanitizer build a finding must not pass for the ordinary failure status 1.
  const auto has = [&](std::string_view name) {
    return std::any_of(variables.begin(), variables.end(),
                       [&](const std::string& v) { return v.starts_with(name); });
  };
  if (!has("ASAN_OPTIONS=")) variables.push_back("ASAN_OPTIONS=exitcode=86");
  if (!has("UBSAN_OPTIONS=")) variables.push_back("UBSAN_OPTIONS=exitcode=87:print_stacktrace=1");
  return variables;
}

std::vector<char*> pointers_to(std::vector<std::string>& items) {
  std::vector<char*> pointers;
  for (std::string& item : items) pointers.push_back(item.data());
  pointers.push_back(nullptr);
  return pointers;
}

[[noreturn]] void exec_child(const std::filesystem::path& stdin_path,
                             const std::filesystem::path& out_path,
                             const std::filesystem::path& err_path, const ProcessOptions& options,
                             std::vector<std::string>& argv, std::vector<std::string>& env) {
  const int in = ::open(stdin_path.c_str(), O_RDONLY);
  const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
      ::dup2(err, 2) < 0 || ::chdir(options.working_directory.c_str()) != 0) {
    ::_exit(127);
  }
  auto argv_pointers = pointers_to(argv);
  auto env_pointers = pointers_to(env);
  ::execve(argv_pointers[0], argv_pointers.data(), env_pointers.data());
  ::_exit(127);
}

// Starts `argv` (its first item a path) with its standard streams in files of `capture`:
// "stdin" (written here from the options), "stdout" and "stderr".
pid_t start_process(std::vector<std::string> argv, const ProcessOptions& options,
                    const std::filesystem::path& capture) {
  write_file(capture / "stdin", options.stdin_text);
  std::vector<std::string> env = child_environment(options);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    exec_child(capture / "stdin", capture / "stdout", capture / "stderr", options, argv, env);
  }
  return pid;
}

std::vector<std::string> pellix_command(const std::vector<std::string>& args) {
  std::vector<std::string> argv{PELLIX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

std::filesystem::path pellix_binary() { return PELLIX_BINARY; }

ProcessResult run_pellix(const std::vector<std::string>& args, const ProcessOptions& options) {
  return run_program(pellix_command(args), options);
}

ProcessResult run_program(const std::vector<std::string>& argv, const ProcessOptions& options) {
  TempDir capture;
  const pid_t pid = start_process(argv, options, capture.path());

  ProcessResult result;
  const auto deadline = std::chrono::steady_clock::now() + options.time_limit;
  int wait_status = 0;
  while (::waitpid(pid, &wait_status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wait_status, 0);
      result.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) result.signal = WTERMSIG(wait_status);
  result.out = read_file(capture.path() / "stdout");
  result.err = read_file(capture.path() / "stderr");
  return result;
}

BackgroundPellix::BackgroundPellix(const std::vector<std::string>& args,
                                   const ProcessOptions& options)
    : pid_(start_process(pellix_command(args), options, capture_.path())) {}

BackgroundPellix::~BackgroundPellix() {
  if (has_ended_) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::string BackgroundPellix::out() const { return read_file(capture_.path() / "stdout"); }

std::string BackgroundPellix::err() const { return read_file(capture_.path() / "stderr"); }

bool BackgroundPellix::wait_until(const std::function<bool()>& ready,
                                  std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool BackgroundPellix::is_running() {
  if (!has_ended_ && ::waitpid(pid_, nullptr, WNOHANG) == pid_) has_ended_ = true;
  return !has_ended_;
}

TerminalPellix::TerminalPellix(const std::vector<std::string>& args,
                               const ProcessOptions& options) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  const std::string terminal_name = ::ptsname(master_);
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 80;
  ::ioctl(master_, TIOCSWINSZ, &size);

  std::vector<std::string> argv{PELLIX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = child_environment(options);
  env.emplace_back("TERM=xterm");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // A session of its own with the terminal as its controlling one, as a login shell has.
    ::setsid();
    const int terminal = ::open(terminal_name.c_str(), O_RDWR);
    if (terminal < 0 || ::ioctl(terminal, TIOCSCTTY, 0) != 0 || ::dup2(terminal, 0) < 0 ||
        ::dup2(terminal, 1) < 0 || ::dup2(terminal, 2) < 0 ||
        ::chdir(options.working_directory.c_str()) != 0) {
      ::_exit(127);
    }
    auto argv_pointers = pointers_to(argv);
    auto env_pointers = pointers_to(env);
    ::execve(argv_pointers[0], argv_pointers.data(), env_pointers.data());
    ::_exit(127);
  }
  pid_ = pid;
}

TerminalPellix::~TerminalPellix() {
  if (!has_ended_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  ::close(master_);
}

void TerminalPellix::type(std::string_view keys) {
  while (!keys.empty()) {
    const ssize_t written = ::write(master_, keys.data(), keys.size());
    if (written <= 0) return;
    keys.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool TerminalPellix::read_some(std::chrono::milliseconds limit) {
  pollfd ready{master_, POLLIN, 0};
  if (::poll(&ready, 1, static_cast<int>(limit.count())) <= 0) return true;
  char buffer[4096];
  const ssize_t count = ::read(master_, buffer, sizeof buffer);
  // Once the process and its terminal are gone, reading fails with EIO.
  if (count <= 0) return false;
  screen_.append(buffer, static_cast<std::size_t>(count));
  return true;
}

bool TerminalPellix::wait_for(std::string_view text, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    if (const std::size_t found = screen_.find(text, seen_); found != std::string::npos) {
      seen_ = found + text.size();
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !read_some(left)) return false;
  }
}

int TerminalPellix::wait_for_exit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const auto left = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now());
  };
  while (left().count() > 0 && read_some(left())) {
  }
  int wait_status = 0;
  while (::waitpid(pid_, &wait_status, WNOHANG) == 0) {
    if (left().count() <= 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  has_ended_ = true;
  return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pellix-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

}  // namespace pellix::testing
