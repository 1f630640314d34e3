#include "os.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace pellix::os {
namespace {

Unexpected<Error> system_error(int code) { return fail(std::generic_category().message(code)); }

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

  // Read straight into the text, growing it when the file turns out longer than its size
  // said (or has no size, like a pipe).
  struct stat info {};
  std::size_t capacity = 1 << 16;
  if (::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    capacity = static_cast<std::size_t>(info.st_size) + 1;
  }
  std::string content(capacity, '\0');
  std::size_t length = 0;
  while (true) {
    if (length == content.size()) content.resize(content.size() * 2);
    const ssize_t count = ::read(file.get(), content.data() + length, content.size() - length);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      return system_error(errno);
    }
    length += static_cast<std::size_t>(count);
  }
  content.resize(length);
  return content;
}

bool is_terminal(int descriptor) { return ::isatty(descriptor) == 1; }

}  // namespace pellix::os
