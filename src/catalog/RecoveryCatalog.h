// The recovery catalog: the folders and files that the scans found, in the order
// they were found. There is no tree in memory; each record names its parent by key
// (FAT: first cluster, root 0; NTFS: MFT record number, root 5), and the browser
// builds the tree from the keys. Records never move once added: the browser and
// the saver keep pointers to them.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>

namespace vantor {

// The key of the pseudo-folder "Lost", and the parent key of folders whose parent
// was not found.
inline constexpr uint32_t LostKey = 0x0FFFFFFF;
inline constexpr uint32_t kFatRootKey = 0;
inline constexpr uint32_t kNtfsRootKey = 5;

// A time stamp as the volume keeps it. FAT: first = DOS date, second = DOS time
// (0 for the access time). NTFS: the low and the high half of a file time.
struct RecordTime {
  uint32_t first = 0;
  uint32_t second = 0;
  bool operator==(const RecordTime&) const = default;
};

// Exactly one name is set: the 8-bit one when it is not empty, else the UTF-16 one.
struct RecordName {
  std::string shortName;
  std::u16string longName;
  bool isShort() const { return !shortName.empty(); }
  std::string utf8() const;
};

struct FolderRecord {
  RecordName name;
  char deleted = 'n';
  char kind = 'D';
  RecordTime modified, created, accessed;
  uint64_t treeItem = 0;  // the browser's node, 0 until the tree is built
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;
  uint32_t recordSector = 0;
  int16_t fileSystemNumber = 0;
  char selected = 'n';
};

struct FileRecord {
  RecordName name;
  char deleted = 'n';
  char kind = 'F';
  RecordTime modified, created, accessed;
  uint32_t fileNumber = 0;
  uint32_t sizeLow = 0;
  uint32_t sizeHigh = 0;
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;
  uint32_t recordSector = 0;
  char selected = 'n';
  uint64_t size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }
};

struct RecordTimes {
  RecordTime modified, created, accessed;
};

class RecoveryCatalog {
 public:
  // Adds a folder, or merges it with a folder of the same ownKey and file-system
  // number: a live folder replaces a deleted one in place, anything else is
  // dropped. ownKey 0 is always appended. False only when memory ran out.
  bool AddFolder(const std::string& shortName, const std::u16string& longName, char deleted,
                 uint32_t parentKey, uint32_t ownKey, uint32_t recordSector, const RecordTimes& times,
                 int16_t fileSystemNumber);
  // Appends a file; the caller adds its size to bytesTotal. False only when memory ran out.
  bool AddFile(const std::string& shortName, const std::u16string& longName, char deleted,
               uint32_t sizeLow, uint32_t sizeHigh, uint32_t parentKey, uint32_t ownKey,
               uint32_t recordSector, const RecordTimes& times);
  // Empties both lists and the counters.
  void FreeCatalog();
  // Empties the file list only (the folder records stay).
  void FreeFiles();

  std::deque<FolderRecord>& folders() { return folders_; }
  const std::deque<FolderRecord>& folders() const { return folders_; }
  std::deque<FileRecord>& files() { return files_; }
  const std::deque<FileRecord>& files() const { return files_; }

  uint32_t directoriesFound = 0;
  uint32_t filesFound = 0;
  uint64_t bytesTotal = 0;
  bool outOfMemory = false;

 private:
  static uint64_t IndexKey(uint32_t ownKey, int16_t fileSystemNumber) {
    return (static_cast<uint64_t>(static_cast<uint16_t>(fileSystemNumber)) << 32) | ownKey;
  }

  void IndexNewest(uint32_t ownKey, int16_t fileSystemNumber);

  std::deque<FolderRecord> folders_;
  std::deque<FileRecord> files_;
  // (ownKey, fileSystemNumber) -> position in folders_, for the duplicate check.
  std::unordered_map<uint64_t, size_t> folderIndex_;
};

}  // namespace vantor
