// Runs the built pellix executable, or another program a test needs, as a child process with a
// working folder, a fresh home folder and captured output.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pellix::testing {

struct ProcessResult {
  std::string out;
  std::string err;
  int status = -1;         // exit status, when the process exited
  int signal = 0;          // the signal that ended it, or 0
  bool timed_out = false;  // killed after the time limit
};

struct ProcessOptions {
  std::filesystem::path working_directory;
  std::filesystem::path home;  // HOME is left unset when empty
  std::string stdin_text;
  std::chrono::seconds time_limit{120};
  // "NAME=value" entries set after the scrubbing, each replacing any variable of that name
  // (PATH among them).
  std::vector<std::string> environment;
};

// The path of the pellix executable under test.
std::filesystem::path pellix_binary();

// Runs `pellix_binary()` with `args` (not counting the program path). Provider keys and base
// URLs are removed from the environment, HOME points at `options.home` and the entries of
// `options.environment` are added.
ProcessResult run_pellix(const std::vector<std::string>& args, const ProcessOptions& options);

// Runs another program the same way: `argv[0]` is its path, the rest its arguments.
ProcessResult run_program(const std::vector<std::string>& argv, const ProcessOptions& options);

// A fresh empty folder under the system's temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A pellix process that runs while the test goes on (for commands that never end), with its
// output captured in files that can be read at any moment. It is killed when the object goes.
class BackgroundPellix {
 public:
  BackgroundPellix(const std::vector<std::string>& args, const ProcessOptions& options);
  BackgroundPellix(const BackgroundPellix&) = delete;
  BackgroundPellix& operator=(const BackgroundPellix&) = delete;
  ~BackgroundPellix();

  // The standard output and error written so far.
  std::string out() const;
  std::string err() const;

  // Polls until `ready` holds or `limit` has passed; yields whether it held.
  bool wait_until(const std::function<bool()>& ready, std::chrono::milliseconds limit) const;

  // Whether the process is still running.
  bool is_running();

 private:
  TempDir capture_;
  int pid_ = -1;
  bool has_ended_ = false;
};

// A pellix process whose standard input, output and error are a pseudo-terminal, as when a
// user types at it. It is killed when the object goes.
class TerminalPellix {
 public:
  TerminalPellix(const std::vector<std::string>& args, const ProcessOptions& options);
  TerminalPellix(const TerminalPellix&) = delete;
  TerminalPellix& operator=(const TerminalPellix&) = delete;
  ~TerminalPellix();

  // Sends `keys` as if typed.
  void type(std::string_view keys);

  // Reads the screen until it holds `text` after everything waited for before, or `limit` has
  // passed; yields whether it appeared.
  bool wait_for(std::string_view text, std::chrono::milliseconds limit);

  // Waits for the process to end, reading the screen meanwhile; yields its exit status, or -1
  // when it was ended by a signal or did not end within `limit`.
  int wait_for_exit(std::chrono::milliseconds limit);

  // Everything the process has written to the terminal so far.
  const std::string& screen() const { return screen_; }

 private:
  // Appends what the terminal holds, waiting up to `limit`; false once it is closed.
  bool read_some(std::chrono::milliseconds limit);

  int master_ = -1;
  int pid_ = -1;
  bool has_ended_ = false;
  std::string screen_;
  std::size_t seen_ = 0;  // where the next wait_for starts looking
};

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& content);

}  // namespace pellix::testing
