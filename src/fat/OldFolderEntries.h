// Deleted folder entries whose folder the listing shows elsewhere or under
// another name, or not at all: the entry left behind when a folder was renamed
// or moved, or when its first cluster went to a folder made later or to a file. Each is listed as a
// deleted, empty folder under its own parent, keyed by cluster 0 so that
// nothing hangs below it: its cluster's entries are those of the folder that
// holds the cluster now, listed there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"
#include "fat/FatEntries.h"

namespace vantor {

class OldFolderEntries {
 public:
  // A folder entry of directory `parentKey`, listed as deleted.
  void Note(const DecodedEntry& entry, uint32_t parentKey);
  // Adds, once the scan has named its folders, each noted entry that no folder
  // of file system `fileSystemNumber` stands for: its cluster holds no folder,
  // or one that is live, under another parent or of another name. False when
  // memory ran out.
  bool AddTo(RecoveryCatalog& catalog, int16_t fileSystemNumber) const;

 private:
  struct Entry {
    std::string shortName;
    std::u16string name;
    uint32_t cluster;
    uint32_t parentKey;
    RecordTimes times;
  };
  std::vector<Entry> entries_;
};

}  // namespace vantor
