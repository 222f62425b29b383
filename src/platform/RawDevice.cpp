#include "platform/RawDevice.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Sector.h"

namespace vantor {
namespace {

class FileDevice : public RawDevice {
 public:
  explicit FileDevice(int fd) : fd_(fd) {}
  ~FileDevice() override { ::close(fd_); }
  FileDevice(const FileDevice&) = delete;
  FileDevice& operator=(const FileDevice&) = delete;

  bool readAt(uint64_t offset, void* buffer, size_t length) override {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
      ssize_t got = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
      if (got < 0) {
        if (errno == EINTR) continue;
        // What was not read is zeros, never what the buffer held before: a
        // skipped run must not carry another file's bytes into this one.
        std::memset(bytes + done, 0, length - done);
        return false;
      }
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    std::memset(bytes + done, 0, length - done);
    return true;
  }

  bool writeAt(uint64_t offset, const void* buffer, size_t length) override {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
      ssize_t put = ::pwrite(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += static_cast<size_t>(put);
    }
    return true;
  }

  uint64_t size() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return 0;
    if (S_ISBLK(info.st_mode)) {
      uint64_t bytes = 0;
      return ::ioctl(fd_, BLKGETSIZE64, &bytes) == 0 ? bytes : 0;
    }
    return static_cast<uint64_t>(info.st_size);
  }

  uint64_t dataFrom(uint64_t offset) override {
    const off_t data = ::lseek(fd_, static_cast<off_t>(offset), SEEK_DATA);
    if (data >= 0) return static_cast<uint64_t>(data);
    // ENXIO: nothing but a hole up to the end. Any other error: no skipping.
    return errno == ENXIO ? std::max(offset, size()) : offset;
  }

 private:
  int fd_;
};

}  // namespace

namespace {

// Opens `path` without waiting for a writer (a FIFO) or a carrier (a terminal),
// and keeps it only when it is a regular file or a block device; -1 with the
// reason in `problem` otherwise.
int OpenSourceFile(const std::string& path, int flags, std::string& problem) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    problem = std::strerror(errno);
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
    problem = S_ISFIFO(info.st_mode)   ? "it is a FIFO, not a file or a disk"
              : S_ISSOCK(info.st_mode) ? "it is a socket, not a file or a disk"
              : S_ISDIR(info.st_mode)  ? "it is a folder, not a file or a disk"
                                       : "it is a device that is not a disk";
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

std::unique_ptr<RawDevice> OpenFileDevice(const std::string& path, DeviceAccess access) {
  std::string problem;
  const int fd = OpenSourceFile(path, access == DeviceAccess::kRead ? O_RDONLY : O_WRONLY, problem);
  if (fd < 0) return nullptr;
  return std::make_unique<FileDevice>(fd);
}

std::string SourceFileProblem(const std::string& path) {
  std::string problem;
  const int fd = OpenSourceFile(path, O_RDONLY, problem);
  if (fd >= 0) ::close(fd);
  return problem;
}

FailingSectorDevice::FailingSectorDevice(std::unique_ptr<RawDevice> backing, std::set<uint64_t> badSectors)
    : backing_(std::move(backing)), badSectors_(std::move(badSectors)) {}

bool FailingSectorDevice::readAt(uint64_t offset, void* buffer, size_t length) {
  ++readRequests_;
  uint64_t first = offset / kSectorSize;
  uint64_t end = (offset + length + kSectorSize - 1) / kSectorSize;
  auto bad = badSectors_.lower_bound(first);
  if (bad != badSectors_.end() && *bad < end) {
    // Fill the failed request with a mark, so that tests can tell a run left as
    // the failed read left it from one that was read again sector by sector.
    std::memset(buffer, 0xEE, length);
    return false;
  }
  return backing_->readAt(offset, buffer, length);
}

bool FailingSectorDevice::writeAt(uint64_t offset, const void* buffer, size_t length) {
  return backing_->writeAt(offset, buffer, length);
}

}  // namespace vantor
