#include "save/OutputFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Folders.h"

namespace vantor {
namespace {

constexpr size_t kBufferBytes = 1 << 20;
constexpr const char* kPartialPrefix = ".vantor-";
constexpr const char* kPartialSuffix = ".part";

std::string ErrorText(int number) { return std::strerror(number); }

// Moves `from` to `to` only when nothing stands at `to`. renameat2 does it in
// one step; where a file system lacks it, a hard link does; where it has no hard
// links either (FAT, exFAT), the check and the rename are two steps.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return errno;
  if (PathExists(to)) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

class PosixOutputFile : public OutputFile {
 public:
  // The buffer grows with what is written: most recovered files are small, and
  // a megabyte reserved for each would cost a mapping per file.
  PosixOutputFile(int fd, std::string temporary, std::string path)
      : fd_(fd), temporary_(std::move(temporary)), path_(std::move(path)) {}
  ~PosixOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
  }

  bool write(const uint8_t* data, size_t length) override {
    if (!error_.empty()) return false;
    if (buffer_.size() + length > kBufferBytes && !Flush()) return false;
    if (length >= kBufferBytes) return WriteAll(data, length);
    buffer_.insert(buffer_.end(), data, data + length);
    return true;
  }

  bool commit(const FileTime* time, bool replace) override {
    if (!error_.empty() || !Flush()) return Abandon();
    // A time the file system cannot hold is no reason to lose the file.
    if (time != nullptr) SetLastWriteTime(fd_, *time);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Fail(errno);
    int result = replace ? (::rename(temporary_.c_str(), path_.c_str()) == 0 ? 0 : errno)
                         : RenameNoReplace(temporary_, path_);
    if (result != 0) return Fail(result);
    committed_ = true;
    return true;
  }

  std::string error() const override { return error_; }

 private:
  bool Fail(int number) {
    error_ = ErrorText(number);
    return Abandon();
  }

  bool Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(temporary_.c_str());
    return false;
  }

  bool Flush() {
    bool ok = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

  bool WriteAll(const uint8_t* data, size_t length) {
    while (length > 0) {
      ssize_t put = ::write(fd_, data, length);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        error_ = ErrorText(put < 0 ? errno : ENOSPC);
        return false;
      }
      data += put;
      length -= static_cast<size_t>(put);
    }
    return true;
  }

  int fd_;
  std::string temporary_;
  std::string path_;
  bool committed_ = false;
  std::string error_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

bool PathExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::unique_ptr<OutputFile> CreateOutputFile(const std::string& path, std::string& error) {
  static std::atomic<uint64_t> counter{0};
  const std::string prefix = FolderPart(path) + kPartialPrefix + std::to_string(::getpid()) + "-";
  for (;;) {
    std::string temporary = prefix + std::to_string(counter++) + kPartialSuffix;
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) return std::make_unique<PosixOutputFile>(fd, std::move(temporary), path);
    if (errno != EEXIST) {
      error = ErrorText(errno);
      return nullptr;
    }
  }
}

}  // namespace vantor
