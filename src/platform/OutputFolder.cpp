#include "platform/OutputFolder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>

namespace vantor {
namespace {

constexpr size_t kBufferBytes = 1 << 20;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string ErrorText(int number) { return std::strerror(number); }

bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Why `name` in the folder `fd` could not be opened as a folder (the open's
// errno `number`), in the words a user reads; `shown` is its path.
std::string FolderOpenProblem(int fd, const std::string& name, const std::string& shown, int number) {
  struct stat info;
  if (number == ELOOP || number == ENOTDIR) {
    if (::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
      return shown + " is a link, not a folder";
    return shown + " is a file, not a folder";
  }
  return "cannot open folder " + shown + ": " + ErrorText(number);
}

// Moves `from` to `to` in the folder `fd` only when nothing stands at `to`.
// renameat2 does it in one step; where a file system lacks it, a hard link
// does; where it has no hard links either (FAT, exFAT), the check and the
// rename are two steps.
int RenameNoReplace(int fd, const std::string& from, const std::string& to) {
  if (::renameat2(fd, from.c_str(), fd, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::linkat(fd, from.c_str(), fd, to.c_str(), 0) == 0) {
    ::unlinkat(fd, from.c_str(), 0);
    return 0;
  }
  if (errno == EEXIST) return errno;
  struct stat info;
  if (::fstatat(fd, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return ::renameat(fd, from.c_str(), fd, to.c_str()) == 0 ? 0 : errno;
}

// Moves `from` to `to` in the folder `fd`, replacing a regular file that stands
// there, but never a link or anything else: what a link names stays as it is,
// and so does the link.
int RenameOverFile(int fd, const std::string& from, const std::string& to) {
  struct stat info;
  if (::fstatat(fd, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(info.st_mode))
    return S_ISLNK(info.st_mode) ? ELOOP : EEXIST;
  return ::renameat(fd, from.c_str(), fd, to.c_str()) == 0 ? 0 : errno;
}

class FolderOutputFile : public OutputFile {
 public:
  // The buffer grows with what is written: most recovered files are small, and
  // a megabyte reserved for each would cost a mapping per file.
  FolderOutputFile(int folder, int fd, std::string temporary, std::string name)
      : folder_(folder), fd_(fd), temporary_(std::move(temporary)), name_(std::move(name)) {}
  ~FolderOutputFile() override {
    Abandon();
    ::close(folder_);
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
    int result = replace ? RenameOverFile(folder_, temporary_, name_) : RenameNoReplace(folder_, temporary_, name_);
    if (result != 0) return Fail(result);
    temporary_.clear();
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
    if (!temporary_.empty()) ::unlinkat(folder_, temporary_.c_str(), 0);
    temporary_.clear();
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

  int folder_;
  int fd_;
  std::string temporary_;  // empty once committed or given up
  std::string name_;
  std::string error_;
  std::vector<uint8_t> buffer_;
};

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The whole disk that holds the partition `device` (a block device number), or
// `device` itself when it is not a partition.
dev_t WholeDisk(dev_t device) {
  std::string node = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  if (::access((node + "/partition").c_str(), F_OK) != 0) return device;
  std::ifstream parent(node + "/../dev");
  unsigned majorNumber = 0, minorNumber = 0;
  char colon = 0;
  if (!(parent >> majorNumber >> colon >> minorNumber) || colon != ':') return device;
  return makedev(majorNumber, minorNumber);
}

// Why the folder `path` cannot serve for the sources, or empty.
std::string SourceProblem(const std::string& path, const struct stat& folder, const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    struct stat info;
    if (::stat(source.c_str(), &info) != 0) continue;
    if (SameFile(info, folder)) return path + " is the source being recovered";
    if (S_ISBLK(info.st_mode) && (info.st_rdev == folder.st_dev || info.st_rdev == WholeDisk(folder.st_dev) ||
                                  WholeDisk(info.st_rdev) == WholeDisk(folder.st_dev)))
      return path + " lies on " + source + ", the device being recovered";
  }
  return {};
}

std::string WriteProblem(int fd, const std::string& path, const struct stat& folder) {
  struct statvfs volume;
  if (::fstatvfs(fd, &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0) return path + " lies on a read-only file system";
  if (::access(path.c_str(), W_OK | X_OK) != 0) return "cannot write into " + path + ": " + ErrorText(errno);
  // Root may write anywhere; a folder that nobody may write was made read-only
  // on purpose, and is respected.
  if ((folder.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return path + " is read-only";
  return {};
}

// The folders of `path` from its first on ("a", "a/b", "a/b/c"; "/a", ...).
std::vector<std::string> Levels(const std::string& path) {
  std::vector<std::string> levels;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    if (path[slash - 1] != '/') levels.push_back(path.substr(0, slash));
  if (path.back() != '/') levels.push_back(path);
  return levels;
}

// Makes the missing levels of the path the user typed (links in the part that
// stands are the user's own and are followed); `made` collects what was made.
std::string MakeLevels(const std::string& path, const std::vector<std::string>& sources, std::vector<std::string>& made) {
  for (const std::string& level : Levels(path)) {
    struct stat info;
    if (::stat(level.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) continue;
      std::string problem = SourceProblem(level, info, sources);
      return problem.empty() ? level + " is a file, not a folder" : problem;
    }
    if (::lstat(level.c_str(), &info) == 0) return level + " is a link that leads nowhere";
    if (::mkdir(level.c_str(), 0755) != 0) return "cannot create folder " + level + ": " + ErrorText(errno);
    made.push_back(level);
  }
  return {};
}

}  // namespace

OutputFolder::OutputFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

OutputFolder::~OutputFolder() { ::close(fd_); }

std::unique_ptr<OutputFolder> OutputFolder::child(const std::string& name, bool make, std::string& problem,
                                                  bool* made) const {
  const std::string shown = path_ + "/" + name;
  if (!PlainName(name)) {
    problem = "not a folder name: '" + name + "'";
    return nullptr;
  }
  if (made != nullptr) *made = false;
  if (make) {
    if (::mkdirat(fd_, name.c_str(), 0755) == 0) {
      if (made != nullptr) *made = true;
    } else if (errno != EEXIST) {
      problem = "cannot create folder " + shown + ": " + ErrorText(errno);
      return nullptr;
    }
  }
  const int fd = ::openat(fd_, name.c_str(), kFolderFlags);
  if (fd < 0) {
    problem = FolderOpenProblem(fd_, name, shown, errno);
    return nullptr;
  }
  return std::make_unique<OutputFolder>(fd, shown);
}

std::unique_ptr<OutputFolder> OutputFolder::below(const std::string& relative, bool make, std::string& problem) const {
  auto folder = std::make_unique<OutputFolder>(::fcntl(fd_, F_DUPFD_CLOEXEC, 0), path_);
  if (folder->fd() < 0) {
    problem = "cannot open folder " + path_ + ": " + ErrorText(errno);
    return nullptr;
  }
  for (size_t at = 0; at < relative.size();) {
    size_t slash = relative.find('/', at);
    if (slash == std::string::npos) slash = relative.size();
    if (slash > at) {
      folder = folder->child(relative.substr(at, slash - at), make, problem);
      if (folder == nullptr) return nullptr;
    }
    at = slash + 1;
  }
  return folder;
}

std::unique_ptr<OutputFolder> OutputFolder::parent(const FolderIdentity& expected, std::string path) const {
  const int fd = ::openat(fd_, "..", kFolderFlags);
  if (fd < 0) return nullptr;
  auto folder = std::make_unique<OutputFolder>(fd, std::move(path));
  const FolderIdentity found = folder->identity();
  return found == expected && found != FolderIdentity{} ? std::move(folder) : nullptr;
}

FolderIdentity OutputFolder::identity() const {
  struct stat info;
  if (::fstat(fd_, &info) != 0) return {};
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::unique_ptr<OutputFile> OutputFolder::create(const std::string& name, std::string& error) const {
  static std::atomic<uint64_t> counter{0};
  if (!PlainName(name)) {
    error = "not a file name: '" + name + "'";
    return nullptr;
  }
  const std::string prefix = ".vantor-" + std::to_string(::getpid()) + "-";
  for (;;) {
    std::string temporary = prefix + std::to_string(counter++) + ".part";
    const int fd = ::openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      error = ErrorText(errno);
      return nullptr;
    }
    const int folder = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (folder < 0) {
      error = ErrorText(errno);
      ::close(fd);
      ::unlinkat(fd_, temporary.c_str(), 0);
      return nullptr;
    }
    return std::make_unique<FolderOutputFile>(folder, fd, std::move(temporary), name);
  }
}

int OutputFolder::openFile(const std::string& name, bool create, std::string& error, bool* made) const {
  if (made != nullptr) *made = false;
  if (!PlainName(name)) {
    error = "not a file name: '" + name + "'";
    return -1;
  }
  // O_NONBLOCK: a FIFO planted at the name must not hold the run; the file is
  // checked to be a regular one before it is used.
  const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  int fd = create ? ::openat(fd_, name.c_str(), flags | O_CREAT | O_EXCL, 0644) : -1;
  if (fd >= 0 && made != nullptr) *made = true;
  if (fd < 0 && (!create || errno == EEXIST)) fd = ::openat(fd_, name.c_str(), flags);
  if (fd < 0) {
    error = (errno == ELOOP ? path_ + "/" + name + " is a link" : "cannot open " + path_ + "/" + name) + ": " +
            ErrorText(errno);
    return -1;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    error = path_ + "/" + name + " is not a regular file";
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

EntryKind OutputFolder::kindOf(const std::string& name) const {
  struct stat info;
  if (::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::kNone;
  if (S_ISREG(info.st_mode)) return EntryKind::kFile;
  if (S_ISDIR(info.st_mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
}

bool OutputFolder::removeMade(const std::string& name) const {
  return PlainName(name) && (::unlinkat(fd_, name.c_str(), 0) == 0 || errno == ENOENT);
}

void OutputFolder::setTime(const FileTime& time) const { SetLastWriteTime(fd_, time); }

std::unique_ptr<OutputFolder> OpenDestination(const std::string& path, const std::vector<std::string>& sources,
                                              std::string& problem) {
  if (path.empty()) {
    problem = "no folder was given";
    return nullptr;
  }
  if (path.size() >= PATH_MAX) {
    problem = "the path is longer than " + std::to_string(PATH_MAX - 1) + " bytes";
    return nullptr;
  }
  std::vector<std::string> made;
  problem = MakeLevels(path, sources, made);
  std::unique_ptr<OutputFolder> folder;
  if (problem.empty()) {
    // The last level is opened without following a link: a destination is a
    // folder, not a link that someone could point elsewhere.
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const int fd = ::open(trimmed.c_str(), kFolderFlags);
    if (fd < 0)
      problem = errno == ELOOP ? path + " is a link, not a folder" : "cannot open folder " + path + ": " + ErrorText(errno);
    else
      folder = std::make_unique<OutputFolder>(fd, trimmed);
  }
  struct stat info;
  if (folder != nullptr && ::fstat(folder->fd(), &info) != 0) problem = path + ": " + ErrorText(errno);
  if (problem.empty()) problem = SourceProblem(path, info, sources);
  if (problem.empty()) problem = WriteProblem(folder->fd(), path, info);
  if (problem.empty()) return folder;
  folder.reset();
  for (auto level = made.rbegin(); level != made.rend(); ++level) ::rmdir(level->c_str());
  return nullptr;
}

std::unique_ptr<OutputFolder> OpenFolderOf(const std::string& path, const std::vector<std::string>& sources,
                                           std::string& name, std::string& problem) {
  const size_t slash = path.rfind('/');
  name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!PlainName(name)) {
    problem = "not a file name: '" + path + "'";
    return nullptr;
  }
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return OpenDestination(folder, sources, problem);
}

std::string WriteWholeFile(const std::string& path, const std::vector<std::string>& sources, const std::string& bytes) {
  std::string name, problem;
  auto folder = OpenFolderOf(path, sources, name, problem);
  if (folder == nullptr) return problem;
  auto file = folder->create(name, problem);
  if (file == nullptr) return "cannot write " + path + ": " + problem;
  if (!file->write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) || !file->commit(nullptr, true))
    return "cannot write " + path + ": " + file->error();
  return {};
}

}  // namespace vantor
