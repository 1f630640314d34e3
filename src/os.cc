#include "os.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
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
  ~FileDescriptor() { close(); }
  int get() const { return fd_; }
  int close() {
    const int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// Writes all of `content`, resuming after interruptions and partial writes.
Result<void> write_all(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t count = ::write(fd, content.data(), content.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return system_error(errno);
    }
    content.remove_prefix(static_cast<std::size_t>(count));
  }
  return {};
}

// A file is only complete once it is closed without error (some file systems report a failed
// write only then).
Result<void> write_and_close(FileDescriptor& file, std::string_view content) {
  PX_CHECK(write_all(file.get(), content));
  if (file.close() != 0) return system_error(errno);
  return {};
}

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

Result<void> write_file(const std::string& path, std::string_view content) {
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.get() < 0) return system_error(errno);
  return write_and_close(file, content);
}

Result<NewFile> create_new_file(const std::string& path, std::string_view content) {
  // The opening below alone would also refuse a folder named with a trailing slash, but as
  // "Is a directory"; anything already at the path is reported alike.
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) return NewFile::AlreadyExists;
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (file.get() < 0) {
    if (errno == EEXIST) return NewFile::AlreadyExists;
    return system_error(errno);
  }
  if (auto written = write_and_close(file, content); !written) {
    // The file is ours alone (it did not exist a moment ago); a half-written one would only
    // make the next attempt fail with "already exists".
    ::unlink(path.c_str());
    return unexpected(std::move(written).error());
  }
  return NewFile::Created;
}

std::optional<FileStamp> file_stamp(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  FileStamp stamp;
  stamp.modified_seconds = info.st_mtim.tv_sec;
  stamp.modified_nanoseconds = info.st_mtim.tv_nsec;
  stamp.changed_seconds = info.st_ctim.tv_sec;
  stamp.changed_nanoseconds = info.st_ctim.tv_nsec;
  stamp.size = info.st_size;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  return stamp;
}

bool create_folders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

std::vector<std::string> list_subfolders(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator entries(path, error);
  if (error) return names;
  // An entry that cannot be examined is skipped, as is the rest after a failed step.
  for (auto entry = entries; !error && entry != std::filesystem::directory_iterator();
       entry.increment(error)) {
    std::error_code entry_error;
    if (entry->is_directory(entry_error)) names.push_back(entry->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

Result<void> remove_tree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  if (error) return fail(error.message());
  return {};
}

bool is_terminal(int descriptor) { return ::isatty(descriptor) == 1; }

}  // namespace pellix::os
