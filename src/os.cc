#include "os.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace pellix::os {
namespace {

Unexpected<Error> system_error(int code) {
  return fail(std::generic_category().message(code));
}

// Closes the descriptor when the reading ends, on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

Result<std::string> read_file(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return system_error(errno);

  std::string content;
  struct stat info {};
  if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    content.reserve(static_cast<std::size_t>(info.st_size));
  }
  char buffer[1 << 16];
  while (true) {
    const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      return system_error(errno);
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
  return content;
}

}  // namespace pellix::os
