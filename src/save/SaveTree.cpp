// Folders and files are made through the destination's handle, one name at a
// time and never through a link (save/DestinationTree.h): a link that stands in
// an existing destination, or that replaces one of its folders during the run,
// does not lead the saver out of it. Names hold no "/".
//
// A folder this run creates gets its recorded last-write time once the walk is
// over: every file written into it, and every subfolder made, moves that time.
// Folders that stood before the run are left as they were.
#include "save/SaveTree.h"

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

// `relative`, or, when something other than a folder already stands there (a
// file and a folder whose names became the same once made safe, or a link),
// the first of relative + "0", "1", ... that is free or a folder. Looked up
// through the destination's handle: no path is too long and no link is
// followed.
std::string FreeFolderName(DestinationTree& tree, const std::string& destination, const std::string& relative) {
  const auto usable = [&](const std::string& candidate) {
    const EntryKind kind = tree.kindOf(destination + candidate);
    return kind == EntryKind::kNone || kind == EntryKind::kFolder;
  };
  if (relative.empty() || usable(relative)) return relative;
  for (uint64_t i = 0;; ++i)
    if (usable(relative + std::to_string(i))) return relative + std::to_string(i);
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
    const auto zeros = [&] {
      return context.reader.virtualDisk.zeroFilledSectors() + context.savingRun.sectorsOutsideVolume;
    };
    const uint64_t zerosBefore = zeros();
    const std::string path = folder + SafeName(file->name.utf16());
    if (SaveCatalogFile(context, path, *file, true) && zeros() != zerosBefore) context.savingRun.zeroFilled.push_back(path);
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
  // The time each folder of the walk is to get, innermost last; none for a
  // folder that stood before the run.
  std::vector<std::optional<FileTime>> times;
  DestinationTree& tree = *context.savingRun.destination;
  const auto visit = [&](const std::string& wanted, const std::vector<FileRecord*>& files,
                         const FolderRecord* record) -> std::optional<std::string> {
    std::string relative = FreeFolderName(tree, destination, wanted);
    std::string folder = destination + relative;
    // A folder that cannot be made is traced here; each of its files is then
    // reported as not saved, with the reason.
    FileTime time;
    bool made = false;
    std::string problem;
    if (tree.folder(folder, true, problem, &made) == nullptr) context.host().trace("folder not made: " + problem);
    if (!wanted.empty())  // Root is not left
      times.push_back(made && record != nullptr && StampFileTime(record->modified, ntfs, time) ? std::optional(time)
                                                                                               : std::nullopt);
    SaveFolderFiles(context, WithSlash(folder), files);
    return relative;
  };
  // Once all that goes into a folder is written, its time is set.
  const auto leave = [&](const std::string& relative) {
    const std::optional<FileTime> time = times.back();
    times.pop_back();
    std::string problem;
    if (time)
      if (const OutputFolder* made = tree.folder(destination + relative, false, problem)) made->setTime(*time);
  };
  WalkSavedFolders(context, visit, leave);
  context.savingRun.ForgetSource();
}

}  // namespace vantor
