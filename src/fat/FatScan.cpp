// The directory scan: the root, then every folder the catalog holds, breadth
// first (folders found while walking are appended and visited in turn). A
// deleted folder's contents are listed as deleted.
//
// The catalog's duplicate check makes the walk end on trees with loops: a folder
// met twice is kept once and therefore read once.
#include "fat/FatScan.h"

#include <new>

#include "core/ProgressReport.h"
#include "fat/FatDirectoryReader.h"
#include "fat/OldFolderEntries.h"

namespace vantor {
namespace {

class DirectoryScan {
 public:
  explicit DirectoryScan(const ScanContext& context)
      : host_(context.host),
        catalog_(context.catalog),
        directories_(context.reader, context.host, context.state.geometry, context.state.fileSystem(),
                     context.state.oemCodePage) {}

  FatScanResult Run() {
    catalog_.directoriesFound = 0;
    catalog_.filesFound = 0;
    catalog_.bytesTotal = 0;
    host_.setProgressRange(100);
    if (directories_.usable()) {
      directories_.ReadRoot([&](const DecodedEntry& entry) { return Add(entry, kFatRootKey, false); });
      WalkFolders();
      if (!catalog_.outOfMemory) oldFolders_.AddTo(catalog_, 0);
    }
    host_.setProgress(100);
    if (catalog_.outOfMemory) {
      host_.messageInfo("Out Of Memory");
      return {false, "Out Of Memory", false};
    }
    if (catalog_.directoriesFound == 0 && catalog_.filesFound == 0) {
      host_.messageInfo(kSwitchToExhaustiveText);
      return {true, {}, true};
    }
    return {};
  }

 private:
  void WalkFolders() {
    // Positions, not iterators: records appended meanwhile are visited later.
    for (size_t i = 0; i < catalog_.folders().size() && !catalog_.outOfMemory; ++i) {
      host_.pauseGate();
      if (host_.stopRequested()) return;
      const FolderRecord& folder = catalog_.folders()[i];
      if (folder.ownKey != LostKey) {
        const uint32_t key = folder.ownKey;
        const bool deleted = folder.deleted == 'y';
        if (!directories_.ReadFolder(key, deleted, [&](const DecodedEntry& entry) { return Add(entry, key, deleted); }))
          host_.trace("folder " + folder.name.utf8() + " (cluster " + std::to_string(key) +
                      ") not opened: its first sector does not begin with \".\" and \"..\"");
      }
      host_.setProgress((i + 1) * 100 / catalog_.folders().size());
    }
  }

  bool Add(const DecodedEntry& entry, uint32_t parentKey, bool parentDeleted) {
    char deleted = parentDeleted ? 'y' : entry.deleted;
    if (entry.isFolder) {
      if (deleted == 'y') oldFolders_.Note(entry, parentKey);
      catalog_.AddFolder({.shortName = entry.shortName,
                          .longName = entry.name,
                          .deleted = deleted,
                          .parentKey = parentKey,
                          .ownKey = entry.firstCluster,
                          .times = entry.times});
    } else {
      AddFileEntry(catalog_, entry, parentKey, deleted);
    }
    progress_.Report(host_, catalog_.bytesTotal, catalog_.directoriesFound, catalog_.filesFound, entry.name);
    return !catalog_.outOfMemory;
  }

  WorkerHost& host_;
  RecoveryCatalog& catalog_;
  FatDirectoryReader directories_;
  OldFolderEntries oldFolders_;
  ProgressReport progress_;
};

}  // namespace

FatScanResult FatScan(const ScanContext& context) {
  return RunWithinMemory(context.host, [&] { return DirectoryScan(context).Run(); });
}

bool AddFileEntry(RecoveryCatalog& catalog, const DecodedEntry& entry, uint32_t parentKey, char deleted) {
  if (!catalog.AddFile({.shortName = entry.shortName,
                        .longName = entry.name,
                        .deleted = deleted,
                        .size = entry.size,
                        .parentKey = parentKey,
                        .ownKey = entry.firstCluster,
                        .times = entry.times}))
    return false;
  catalog.bytesTotal += entry.size;
  return true;
}

FatScanResult RunWithinMemory(WorkerHost& host, const std::function<FatScanResult()>& scan) {
  try {
    return scan();
  } catch (const std::bad_alloc&) {
    host.messageInfo("Not Enough Memory");
    return {false, "Not Enough Memory", false};
  }
}

}  // namespace vantor
