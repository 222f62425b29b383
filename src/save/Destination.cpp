#include "save/Destination.h"

#include <sys/stat.h>
#include <unistd.h>

#include "core/Session.h"
#include "core/SizeText.h"
#include "platform/FreeSpace.h"
#include "save/FileFilter.h"
#include "save/SavedFolders.h"

namespace vantor {
namespace {

constexpr const char* kNotValid = "Not a valid Destination. Please specify destination.";

bool IsFolder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Deletes a file (not a folder) that stands at `path`, and creates the folder.
void ReplaceByFolder(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
    ::chmod(path.c_str(), info.st_mode | S_IWUSR);
    ::unlink(path.c_str());
  }
  ::mkdir(path.c_str(), 0755);
}

}  // namespace

void MakeDestination(const std::string& path) {
  ReplaceByFolder(path);
  if (IsFolder(path)) return;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    ReplaceByFolder(path.substr(0, slash));
  ReplaceByFolder(path);
}

void ComputeTotals(Session& session) {
  SavingRun& run = session.savingRun;
  const SavingFilter& filter = session.savingFilter;
  const bool ntfs = IsNtfs(session);
  run.filesRequired = 0;
  run.bytesRequired = 0;
  WalkSavedFolders(session, [&](const std::string& relative, const std::vector<FileRecord*>& files) -> std::optional<std::string> {
    for (const FileRecord* file : files) {
      if (!PassesFilter(filter, *file, ntfs)) continue;
      ++run.filesRequired;
      run.bytesRequired += file->size();
    }
    session.host().setStepText(MegaGigaText(run.bytesRequired) + " size");
    return relative;
  });
}

DestinationOutcome AcceptDestination(Session& session, const std::string& typed, bool rawRecovery) {
  WorkerHost& host = session.host();
  if (typed.empty()) {
    host.messageInfo(kNotValid);
    return DestinationOutcome::kInvalid;
  }
  std::string path = typed;
  if (!IsFolder(path)) {
    if (path.back() != '/') path += '/';
    MakeDestination(path.substr(0, path.size() - 1));
    if (!IsFolder(path)) {
      host.messageInfo(kNotValid);
      return DestinationOutcome::kInvalid;
    }
  }
  if (!rawRecovery) {
    ComputeTotals(session);
    if (session.savingRun.filesRequired < 1) {
      host.messageInfo("You have not selected any file/folder.");
      return DestinationOutcome::kNothingSelected;
    }
    uint64_t required = session.savingRun.bytesRequired;
    if (required >= FreeBytes(path) &&
        !host.question("Insufficient free space on destination drive. Selected file/folder requires " +
                       MegaGigaText(required) + " of free space. Press Yes if you want continue with it."))
      return DestinationOutcome::kChooseAnother;
  }
  session.savingRun.savingPath = path;
  return DestinationOutcome::kAccepted;
}

}  // namespace vantor
