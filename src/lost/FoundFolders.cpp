#include "lost/FoundFolders.h"

#include <string>

#include "core/ProgressReport.h"

namespace vantor {

bool PrepareFoundFolders(RecoveryCatalog& catalog, WorkerHost& host, LostSearchLists& lists, int32_t number) {
  const auto fileSystem = static_cast<int16_t>(number);
  host.setProgressRange(100);
  host.setStepText(kDumpFoldersText);
  // The records of an earlier choice stay while Step 4's Back keeps them; only
  // "Lost", always the first, changes hands. An empty catalog (the first
  // choice, or one that Step 3's Back emptied) is filled from the candidates,
  // which stay with the search until it is discarded.
  if (!catalog.folders().empty()) {
    catalog.folders().front().fileSystemNumber = fileSystem;
  } else if (!lists.folders.empty()) {
    if (!catalog.AddFolder({.shortName = "Lost", .parentKey = 0, .ownKey = LostKey, .fileSystemNumber = fileSystem}))
      return false;
    ProgressReport report;
    const size_t total = lists.folders.size();
    for (size_t i = 0; i < total; ++i) {
      host.pauseGate();
      const FatFolderCandidate& folder = lists.folders[i];
      const std::string name = "Dir" + std::to_string(catalog.directoriesFound);
      if (!catalog.AddFolder({.shortName = name,
                              .deleted = folder.deleted,
                              .parentKey = folder.parentCluster,
                              .ownKey = folder.ownCluster,
                              .recordSector = folder.sector,
                              .times = folder.times,
                              .fileSystemNumber = static_cast<int16_t>(folder.fileSystemNumber)}))
        return false;
      report.Report(host, catalog.bytesTotal, catalog.directoriesFound, catalog.filesFound,
                    std::u16string(name.begin(), name.end()));
      host.setProgress(ProgressPercent(i + 1, total));
      if (host.stopRequested()) break;
    }
  }

  host.clearStop();
  host.setStepText(kFoundLostFoldersText);
  uint64_t moved = 0;
  for (FolderRecord& folder : catalog.folders()) {
    if (folder.parentKey == 0 || folder.fileSystemNumber != fileSystem) continue;
    host.pauseGate();
    if (!catalog.HasFolder(folder.parentKey, fileSystem)) folder.parentKey = LostKey;
    host.setProgress(ProgressPercent(++moved, catalog.directoriesFound));
    if (host.stopRequested()) break;
  }
  host.clearStop();
  return true;
}

}  // namespace vantor
