#include "catalog/LostRecords.h"

#include <unordered_map>
#include <vector>

namespace vantor {
namespace {

constexpr uint8_t kUnseen = 0, kOnWalk = 1, kReaches = 2;

// Cuts every ring of folders that does not lead to the root: walking up from
// each folder not yet known to reach it, a folder met twice on one walk is
// given the parent LostKey. Each folder is walked over once.
bool CutRings(RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber) {
  auto& folders = catalog.folders();
  std::unordered_map<uint32_t, size_t> byKey;
  byKey.reserve(folders.size());
  for (size_t i = 0; i < folders.size(); ++i)
    if (folders[i].fileSystemNumber == fileSystemNumber) byKey.emplace(folders[i].ownKey, i);
  std::vector<uint8_t> mark(folders.size(), kUnseen);
  std::vector<size_t> walk;
  bool cut = false;
  for (size_t start = 0; start < folders.size(); ++start) {
    if (folders[start].fileSystemNumber != fileSystemNumber || mark[start] != kUnseen) continue;
    walk.clear();
    size_t at = start;
    for (;;) {
      mark[at] = kOnWalk;
      walk.push_back(at);
      FolderRecord& folder = folders[at];
      if (folder.ownKey == LostKey) {
        // "Lost" itself hangs under the root, whatever a saved state says.
        folder.parentKey = rootKey;
        break;
      }
      if (folder.parentKey == rootKey || folder.parentKey == LostKey) break;
      auto parent = byKey.find(folder.parentKey);
      if (parent == byKey.end() || mark[parent->second] == kReaches) break;
      if (mark[parent->second] == kOnWalk) {
        folder.parentKey = LostKey;
        cut = true;
        break;
      }
      at = parent->second;
    }
    for (size_t folder : walk) mark[folder] = kReaches;
  }
  return cut;
}

}  // namespace

bool HangOrphansUnderLost(RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber) {
  const auto orphan = [&](uint32_t parentKey) {
    return parentKey != rootKey && parentKey != LostKey && !catalog.HasFolder(parentKey, fileSystemNumber);
  };
  bool underLost = false;
  for (FolderRecord& folder : catalog.folders()) {
    if (folder.fileSystemNumber != fileSystemNumber) continue;
    if (orphan(folder.parentKey)) folder.parentKey = LostKey;
    underLost = underLost || folder.parentKey == LostKey;
  }
  for (FileRecord& file : catalog.files()) {
    if (orphan(file.parentKey)) file.parentKey = LostKey;
    underLost = underLost || file.parentKey == LostKey;
  }
  underLost = CutRings(catalog, rootKey, fileSystemNumber) || underLost;
  if (!underLost || catalog.HasFolder(LostKey, fileSystemNumber)) return true;
  return catalog.AddFolder(
      {.shortName = "Lost", .parentKey = rootKey, .ownKey = LostKey, .fileSystemNumber = fileSystemNumber});
}

}  // namespace vantor
