// Runs the built pellix executable, or another program a test needs, as a child process with a
// working folder, a fresh home folder and captured output.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
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
  std::filesystem::path home;            // HOME is left unset when empty
  std::vector<std::string> environment;  // further "NAME=value" entries
  std::string stdin_text;
  std::chrono::seconds time_limit{120};
};

// The path of the pellix executable under test.
std::filesystem::path pellix_binary();

// Runs `pellix_binary()` with `args` (not counting the program path). Provider keys and base
// URLs are removed from the environment and HOME points at `options.home`.
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

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& content);

}  // namespace pellix::testing
