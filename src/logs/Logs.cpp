#include "logs/Logs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "core/WorkerHost.h"
#include "platform/ConfigStore.h"
#include "platform/Folders.h"
#include "platform/Launch.h"
#include "platform/OutputFolder.h"

namespace vantor {
namespace {

const char* FolderValueName(int selector) { return selector == kRecoveryLog ? "Recovery Log" : "Activity Log"; }

const char* ShownName(int selector) { return selector == kRecoveryLog ? "Recovery History" : "Activity Report"; }

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

std::string InstallFolder(const ConfigStore& store) {
  std::string folder = store.get(kProductKey, "FilePath").value_or("");
  if (folder.empty()) folder = DefaultInstallFolder();
  MakeFolderPath(folder);
  return folder;
}

// Makes the log `name` in `folder` writable for its owner, as "attributes to
// normal": only when it is a regular file, never through a link.
void MakeWritable(const OutputFolder& folder, const std::string& name) {
  const int fd = ::openat(folder.fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) ::fchmod(fd, info.st_mode | S_IWUSR);
  ::close(fd);
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

std::string EntryBytes(const std::string& text, size_t limit) {
  std::string bytes = text.substr(0, text.find('\0'));
  if (bytes.size() <= limit) return bytes;
  size_t cut = limit;
  // Back up over continuation bytes to the start of the character at the limit.
  while (cut > 0 && (static_cast<uint8_t>(bytes[cut]) & 0xC0) == 0x80) --cut;
  return bytes.substr(0, cut);
}

std::string LogFolder(int selector) {
  ConfigStore store = ConfigStore::Load();
  std::string folder = store.get(kProductKey, FolderValueName(selector)).value_or("");
  return IsFolder(folder) ? folder : InstallFolder(store);
}

std::string LogFileName(int selector) { return selector == kRecoveryLog ? "Recovery Log.txt" : "Activity Log.txt"; }

std::string LogFilePath(int selector) {
  std::string folder = LogFolder(selector);
  if (folder.back() != '/') folder += '/';
  return folder + LogFileName(selector);
}

uint32_t AppendLog(int selector, const std::string& text) {
  // Through the output layer: a link or a FIFO planted at the log's name is
  // neither followed nor waited for.
  std::string problem;
  const std::unique_ptr<OutputFolder> folder = OpenDestination(LogFolder(selector), {}, problem);
  if (folder == nullptr) return 0;
  const std::string name = LogFileName(selector);
  MakeWritable(*folder, name);
  const int fd = folder->openFile(name, true, problem);
  if (fd < 0) return 0;
  ::flock(fd, LOCK_EX);
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0;
  if (ok && static_cast<uint64_t>(info.st_size) > kLogSizeCap) ok = ::ftruncate(fd, 0) == 0;
  ok = ok && ::lseek(fd, 0, SEEK_END) >= 0 && WriteAll(fd, "\r\n" + EntryBytes(text, kLogEntryBytes));
  ::close(fd);
  return ok ? 1 : 0;
}

void AppendLogSection(int selector, const std::string& title, const std::vector<std::string>& lines) {
  AppendLog(selector, "");
  AppendLog(selector, title);
  AppendLog(selector, "-------");
  for (const auto& line : lines) AppendLog(selector, line);
}

uint32_t SetLogFolder(int selector, const std::string& folder) {
  ConfigStore store = ConfigStore::Load();
  store.set(kProductKey, FolderValueName(selector), folder);
  return store.save() ? 1 : 0;
}

void OpenLog(WorkerHost& host, int selector) {
  const std::string path = LogFilePath(selector);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    host.messageInfo(std::string(ShownName(selector)) + " file not found");
    return;
  }
  OpenWithDefaultProgram(path);
}

uint32_t ClearLog(WorkerHost& host, int selector) {
  const std::string path = LogFilePath(selector);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    host.messageInfo(LogFileName(selector) + " file not found");
    return 0;
  }
  if (!host.question(std::string("Are you sure you want to delete ") + ShownName(selector))) return 0;
  // A file's own mode does not keep it from being removed here (its folder's does).
  return std::filesystem::remove(path, error) ? 1 : 0;
}

}  // namespace vantor
