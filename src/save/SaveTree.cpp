// Folders and files are made through the destination's handle, one name at a
// time and never through a link (save/DestinationTree.h): a link that stands in
// an existing destination, or that replaces one of its folders during the run,
// does not lead the saver out of it. Names hold no "/".
//
// A folder this run creates gets its recorded last-write time once the walk is
// over: every file written into it, and every subfolder made, moves that time.
// Folders that stood before the run are left as they were.
#include "save/SaveTree.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "disk/SourceSelection.h"
#include "ntfs/RunTables.h"
#include "save/FileFilter.h"
#include "save/Progress.h"
#include "save/SafeName.h"
#include "save/SaveContext.h"
#include "save/SavedFolders.h"
#include "save/SaveFatFile.h"
#include "save/SaveNtfsFile.h"
#include "save/StampTimes.h"

namespace vantor {
namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// `relative`, or, when a file already stands there (a file and a folder whose
// names became the same once made safe), the first of relative + "0", "1", ...
// that is free or a folder.
std::string FreeFolderName(const std::string& destination, const std::string& relative) {
  const auto usable = [&](const std::string& candidate) {
    struct stat info;
    return ::lstat((destination + candidate).c_str(), &info) != 0 || S_ISDIR(info.st_mode);
  };
  if (relative.empty() || usable(relative)) return relative;
  for (int i = 0; i < 10000; ++i)
    if (usable(relative + std::to_string(i))) return relative + std::to_string(i);
  return relative;
}

// A folder of the walk lies inside the destination when its parent does (the walk
// goes no further below a folder that does not) and it is not a link that leads
// out: its name is a safe name, a single component other than "." and "..".
bool StaysInside(const std::string& destination, const std::string& folder) {
  struct stat info;
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
  return InsideFolder(destination, folder);
}

}  // namespace

bool SaveCatalogFile(const SaveContext& context, const std::string& path, const FileRecord& file, bool interactive) {
  const RecoveryState& state = context.state;
  if (IsNtfs(context)) {
    uint64_t sector = state.exhaustiveSwitch != 0 || state.partitionSearch != 0
                          ? file.recordSector
                          : MftRecordSector(context.mftRunTable, file.ownKey);
    return SaveNtfsFile(context, path, file.name.utf16(), file.size(), sector, file.stream, interactive, file.deleted,
                        file.modified);
  }
  return SaveFatFile(context, path, file.name.utf16(), file.sizeLow, file.ownKey, interactive, file.deleted,
                     static_cast<uint16_t>(file.modified.second), static_cast<uint16_t>(file.modified.first));
}

void SaveFolderFiles(const SaveContext& context, const std::string& folder, const std::vector<FileRecord*>& files) {
  const SavingFilter& filter = context.savingFilter;
  const bool ntfs = IsNtfs(context);
  for (FileRecord* file : files) {
    if (AbortRequested(context)) return;
    if (!PassesSelection(filter.selectionMode, file->selected) || !PassesSystemRule(filter, *file, ntfs) ||
        !PassesDateRanges(filter, *file, ntfs))
      continue;
    const uint64_t zerosBefore = context.reader.virtualDisk.zeroFilledSectors();
    const std::string path = folder + SafeName(file->name.utf16());
    if (SaveCatalogFile(context, path, *file, true) && context.reader.virtualDisk.zeroFilledSectors() != zerosBefore)
      context.savingRun.zeroFilled.push_back(path);
  }
}

namespace {

// The destination's handle, opened here when the run was not given one.
bool OpenDestinationOf(const SaveContext& context) {
  SavingRun& run = context.savingRun;
  if (run.destination != nullptr) return true;
  std::string problem;
  std::unique_ptr<OutputFolder> folder = OpenDestination(run.savingPath, SourcePaths(context.reader), problem);
  if (folder == nullptr) {
    run.notSaved.push_back({run.savingPath, problem});
    return false;
  }
  run.destination = std::make_shared<DestinationTree>(std::move(folder));
  return true;
}

}  // namespace

void SaveTree(const SaveContext& context) {
  if (!OpenDestinationOf(context)) return;
  context.savingRun.ForgetSource();
  const std::string destination = WithSlash(context.savingRun.savingPath);
  const bool ntfs = IsNtfs(context);
  std::vector<std::pair<std::string, FileTime>> created;
  WalkSavedFolders(context, [&](const std::string& wanted, const std::vector<FileRecord*>& files,
                                const FolderRecord* record) -> std::optional<std::string> {
    std::string relative = FreeFolderName(destination, wanted);
    std::string folder = destination + relative;
    if (!StaysInside(destination, folder)) {
      context.host().trace("not saved, it would lie outside the destination: " + folder);
      return std::nullopt;
    }
    // A folder that cannot be made is traced here; each of its files is then
    // reported as not saved, with the reason.
    FileTime time;
    bool made = false;
    std::string problem;
    if (context.savingRun.destination->folder(folder, true, problem, &made) == nullptr)
      context.host().trace("folder not made: " + problem);
    if (made && record != nullptr && StampFileTime(record->modified, ntfs, time)) created.emplace_back(folder, time);
    SaveFolderFiles(context, WithSlash(folder), files);
    return relative;
  });
  for (const auto& [folder, time] : created) {
    std::string problem;
    if (const OutputFolder* made = context.savingRun.destination->folder(folder, false, problem)) made->setTime(time);
  }
  context.savingRun.ForgetSource();
}

}  // namespace vantor
