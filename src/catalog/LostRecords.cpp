#include "catalog/LostRecords.h"

namespace vantor {

bool HangOrphansUnderLost(RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber) {
  const auto orphan = [&](uint32_t parentKey) {
    return parentKey != rootKey && parentKey != LostKey && !catalog.HasFolder(parentKey, fileSystemNumber);
  };
  bool moved = false;
  for (FolderRecord& folder : catalog.folders()) {
    if (folder.fileSystemNumber != fileSystemNumber || !orphan(folder.parentKey)) continue;
    folder.parentKey = LostKey;
    moved = true;
  }
  for (FileRecord& file : catalog.files()) {
    if (!orphan(file.parentKey)) continue;
    file.parentKey = LostKey;
    moved = true;
  }
  if (!moved || catalog.HasFolder(LostKey, fileSystemNumber)) return true;
  return catalog.AddFolder(
      {.shortName = "Lost", .parentKey = rootKey, .ownKey = LostKey, .fileSystemNumber = fileSystemNumber});
}

}  // namespace vantor
