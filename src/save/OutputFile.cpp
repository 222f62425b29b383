#include "save/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace vantor {
namespace {

constexpr size_t kBufferBytes = 1 << 20;

class PosixOutputFile : public OutputFile {
 public:
  // The buffer grows with what is written: most recovered files are small, and
  // a megabyte reserved for each would cost a mapping per file.
  explicit PosixOutputFile(int fd) : fd_(fd) {}
  ~PosixOutputFile() override { close(); }

  bool write(const uint8_t* data, size_t length) override {
    if (buffer_.size() + length > kBufferBytes && !Flush()) return false;
    if (length >= kBufferBytes) return WriteAll(data, length);
    buffer_.insert(buffer_.end(), data, data + length);
    return true;
  }

  bool close() override {
    if (fd_ < 0) return true;
    bool ok = Flush();
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    return ok;
  }

 private:
  bool Flush() {
    bool ok = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

  bool WriteAll(const uint8_t* data, size_t length) {
    while (length > 0) {
      ssize_t put = ::write(fd_, data, length);
      if (put <= 0) return false;
      data += put;
      length -= static_cast<size_t>(put);
    }
    return true;
  }

  int fd_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

bool PathExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::unique_ptr<OutputFile> CreateOutputFile(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
    ::chmod(path.c_str(), info.st_mode | S_IWUSR);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixOutputFile>(fd);
}

}  // namespace vantor
