// Before a folder is made or written into, its path is checked to lie inside the
// destination with links resolved, so a link that stands in an existing
// destination cannot lead the saver out of it; files are opened without
// following links, and their names hold no "/".
#include "save/SaveTree.h"

#include <sys/stat.h>

#include "core/Session.h"
#include "save/FileFilter.h"
#include "save/Progress.h"
#include "save/SafeName.h"
#include "ntfs/RunTables.h"
#include "save/SaveFatFile.h"
#include "save/SaveNtfsFile.h"
#include "save/SavedFolders.h"

namespace vantor {
namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

bool SaveCatalogFile(Session& session, const std::string& path, const FileRecord& file, bool interactive) {
  const RecoveryState& state = session.state;
  if (IsNtfs(session)) {
    uint64_t sector = state.exhaustiveSwitch != 0 || state.partitionSearch != 0
                          ? file.recordSector
                          : MftRecordSector(session.mftRunTable, file.ownKey);
    return SaveNtfsFile(session, path, NameUtf16(file.name), file.size(), sector, interactive, file.deleted,
                        file.modified);
  }
  return SaveFatFile(session, path, NameUtf16(file.name), file.sizeLow, file.ownKey, interactive, file.deleted,
                     static_cast<uint16_t>(file.modified.second), static_cast<uint16_t>(file.modified.first));
}

void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0755);
  ::mkdir(path.c_str(), 0755);
}

void SaveFolderFiles(Session& session, const std::string& folder, const std::vector<FileRecord*>& files) {
  const SavingFilter& filter = session.savingFilter;
  const bool ntfs = IsNtfs(session);
  for (FileRecord* file : files) {
    if (AbortRequested(session)) return;
    if (!PassesSelection(filter.selectionMode, file->selected) || !PassesDateRanges(filter, *file, ntfs)) continue;
    SaveCatalogFile(session, folder + SafeName(NameUtf16(file->name)), *file, true);
  }
}

void SaveTree(Session& session) {
  const std::string destination = WithSlash(session.savingRun.savingPath);
  WalkSavedFolders(session, [&](const std::string& relative, const std::vector<FileRecord*>& files) {
    std::string folder = destination + relative;
    if (!InsideFolder(destination, folder)) {
      session.host().trace("not saved, it would lie outside the destination: " + folder);
      return;
    }
    MakeFolders(folder);
    SaveFolderFiles(session, WithSlash(folder), files);
  });
}

}  // namespace vantor
