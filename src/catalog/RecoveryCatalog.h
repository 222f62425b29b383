// The recovery catalog: the folders and files that the scans found, in the order
// they were found. There is no tree in memory; each record names its parent by key
// (FAT: first cluster, root 0; NTFS: MFT record number, root 5), and the browser
// builds the tree from the keys. Records never move once added: the browser and
// the saver keep pointers to them.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantor {

// The key of the pseudo-folder "Lost", and the parent key of folders whose parent
// was not found.
inline constexpr uint32_t LostKey = 0x0FFFFFFF;
inline constexpr uint32_t kFatRootKey = 0;
inline constexpr uint32_t kNtfsRootKey = 5;
// An NTFS file lists at most this many named streams after itself.
inline constexpr size_t kMaxStreamsPerFile = 255;

// A time stamp as the volume keeps it. FAT: first = DOS date, second = DOS time
// (0 for the access time; the creation time's count of 10 ms, 0-199, above its
// low 16 bits). NTFS: the low and the high half of a file time.
inline constexpr unsigned kFatHundredthsShift = 16;

struct RecordTime {
  uint32_t first = 0;
  uint32_t second = 0;
  bool operator==(const RecordTime&) const = default;
};

// A record's name: exactly one of the 8-bit short name (FAT 8.3, its bytes as
// the volume holds them), set when not empty, or the UTF-16 long name. Its
// characters live in the name arena of the catalog that made it; a long name
// whose code units all lie below 0x100 is kept a byte per unit there.
class RecordName {
 public:
  bool isShort() const { return form_ == Form::kShort; }
  // The 8-bit bytes of a short name; empty for a long name.
  std::string shortName() const;
  // The long name; empty for a short name.
  std::u16string longName() const;
  // Either name as UTF-16 (a short name's bytes taken as Latin-1) and as UTF-8.
  std::u16string utf16() const;
  std::string utf8() const;

 private:
  friend class NameArena;
  enum class Form : uint8_t { kShort, kNarrowLong, kWideLong };
  const uint8_t* data_ = nullptr;
  uint32_t length_ = 0;  // in characters
  Form form_ = Form::kWideLong;
};

// Where the names of one catalog live: chunks that never move, so that a name
// stays where it was put for as long as the catalog holds it.
class NameArena {
 public:
  // Throws std::bad_alloc when memory runs out.
  RecordName Store(std::string_view shortName, std::u16string_view longName);
  void Clear();

 private:
  static constexpr size_t kChunkBytes = 256 * 1024;
  uint8_t* Allocate(size_t bytes);

  std::vector<std::unique_ptr<uint8_t[]>> chunks_;
  size_t used_ = kChunkBytes;  // of the last chunk
};

struct FolderRecord {
  RecordName name;
  RecordTime modified, created, accessed;
  uint64_t treeItem = 0;  // the browser's node, 0 until the tree is built
  uint64_t recordSector = 0;
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;
  int16_t fileSystemNumber = 0;
  char deleted = 'n';
  char kind = 'D';
  char selected = 'n';
};

struct FileRecord {
  RecordName name;
  RecordTime modified, created, accessed;
  uint64_t recordSector = 0;
  uint32_t fileNumber = 0;
  uint32_t sizeLow = 0;
  uint32_t sizeHigh = 0;
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;
  char deleted = 'n';
  char kind = 'F';
  char selected = 'n';
  // NTFS: 0 for the file's own data, n for its n-th named stream (the record
  // then stands for "name:stream" and shares the file's keys).
  uint8_t stream = 0;
  uint64_t size() const { return (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow; }
};

struct RecordTimes {
  RecordTime modified, created, accessed;
};

// A folder or file as a scan found it, to be added to the catalog. The names are
// copied into the catalog's arena.
struct NewFolder {
  std::string_view shortName = {};
  std::u16string_view longName = {};
  char deleted = 'n';
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;
  uint64_t recordSector = 0;
  RecordTimes times = {};
  int16_t fileSystemNumber = 0;
};

struct NewFile {
  std::string_view shortName = {};
  std::u16string_view longName = {};
  char deleted = 'n';
  uint64_t size = 0;
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;
  uint64_t recordSector = 0;
  RecordTimes times = {};
  uint8_t stream = 0;
};

class RecoveryCatalog {
 public:
  RecoveryCatalog() = default;
  // Its records point into its arena: a copy would share names it does not own.
  RecoveryCatalog(const RecoveryCatalog&) = delete;
  RecoveryCatalog& operator=(const RecoveryCatalog&) = delete;

  // Adds a folder, or merges it with a folder of the same ownKey and file-system
  // number: a live folder replaces a deleted one in place, anything else is
  // dropped. ownKey 0 is always appended. False only when memory ran out.
  bool AddFolder(const NewFolder& folder);
  // Appends a file; the caller adds its size to bytesTotal. False only when memory ran out.
  bool AddFile(const NewFile& file);
  // Gives a record a new name (the browser's Rename). False when memory ran out.
  bool Rename(RecordName& name, std::string_view shortName, std::u16string_view longName);
  // True when a folder of this key and file system was added.
  bool HasFolder(uint32_t ownKey, int16_t fileSystemNumber) const {
    return folderIndex_.count(IndexKey(ownKey, fileSystemNumber)) != 0;
  }
  // The folder of this key and file system, or null.
  FolderRecord* FindFolder(uint32_t ownKey, int16_t fileSystemNumber) {
    auto found = folderIndex_.find(IndexKey(ownKey, fileSystemNumber));
    return found == folderIndex_.end() ? nullptr : &folders_[found->second];
  }
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

  NameArena names_;
  std::deque<FolderRecord> folders_;
  std::deque<FileRecord> files_;
  // (ownKey, fileSystemNumber) -> position in folders_, for the duplicate check.
  std::unordered_map<uint64_t, size_t> folderIndex_;
};

}  // namespace vantor
