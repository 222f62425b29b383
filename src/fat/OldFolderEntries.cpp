#include "fat/OldFolderEntries.h"

namespace vantor {
namespace {

bool NamedSo(const RecordName& name, const std::string& shortName, const std::u16string& longName) {
  return shortName.empty() ? !name.isShort() && name.longName() == longName
                           : name.isShort() && name.shortName() == shortName;
}

}  // namespace

void OldFolderEntries::Note(const DecodedEntry& entry, uint32_t parentKey) {
  // No cluster: the scans list it empty already; its own folder: a loop.
  if (entry.firstCluster == 0 || entry.firstCluster == parentKey) return;
  entries_.push_back({entry.shortName, entry.name, entry.firstCluster, parentKey, entry.times});
}

bool OldFolderEntries::AddTo(RecoveryCatalog& catalog, int16_t fileSystemNumber) const {
  for (const Entry& old : entries_) {
    const FolderRecord* now = catalog.FindFolder(old.cluster, fileSystemNumber);
    if (now != nullptr && now->deleted == 'y' && now->parentKey == old.parentKey &&
        NamedSo(now->name, old.shortName, old.name))
      continue;
    if (!catalog.AddFolder({.shortName = old.shortName,
                            .longName = old.shortName.empty() ? std::u16string_view(old.name) : std::u16string_view(),
                            .deleted = 'y',
                            .parentKey = old.parentKey,
                            .ownKey = kFatRootKey,
                            .times = old.times,
                            .fileSystemNumber = fileSystemNumber}))
      return false;
  }
  return true;
}

}  // namespace vantor
