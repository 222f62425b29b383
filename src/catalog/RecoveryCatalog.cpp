#include "catalog/RecoveryCatalog.h"

#include <new>

#include "platform/Utf.h"

namespace vantor {
namespace {

RecordName MakeName(const std::string& shortName, const std::u16string& longName) {
  RecordName name;
  if (!shortName.empty())
    name.shortName = shortName;
  else
    name.longName = longName;
  return name;
}

// The fields that folder and file records share.
template <typename Record>
void FillRecord(Record& record, const std::string& shortName, const std::u16string& longName, char deleted,
                uint32_t parentKey, uint32_t ownKey, uint32_t recordSector, const RecordTimes& times) {
  record.name = MakeName(shortName, longName);
  record.deleted = deleted;
  record.modified = times.modified;
  record.created = times.created;
  record.accessed = times.accessed;
  record.parentKey = parentKey;
  record.ownKey = ownKey;
  record.recordSector = recordSector;
}

}  // namespace

std::string RecordName::utf8() const { return isShort() ? Latin1ToUtf8(shortName) : Utf16ToUtf8(longName); }

bool RecoveryCatalog::AddFolder(const std::string& shortName, const std::u16string& longName, char deleted,
                                uint32_t parentKey, uint32_t ownKey, uint32_t recordSector,
                                const RecordTimes& times, int16_t fileSystemNumber) {
  try {
    FolderRecord record;
    FillRecord(record, shortName, longName, deleted, parentKey, ownKey, recordSector, times);
    record.fileSystemNumber = fileSystemNumber;
    if (ownKey != 0) {
      // The index holds the first record of each key; later duplicates are never
      // appended, so it finds exactly the record a walk of the list would find.
      auto found = folderIndex_.find(IndexKey(ownKey, fileSystemNumber));
      if (found != folderIndex_.end()) {
        FolderRecord& existing = folders_[found->second];
        if (existing.deleted == 'y' && deleted != 'y') {
          record.treeItem = existing.treeItem;
          existing = std::move(record);
        }
        return true;
      }
    }
    folders_.push_back(std::move(record));
    if (ownKey != 0) IndexNewest(ownKey, fileSystemNumber);
    ++directoriesFound;
    return true;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
    return false;
  }
}

bool RecoveryCatalog::AddFile(const std::string& shortName, const std::u16string& longName, char deleted,
                              uint32_t sizeLow, uint32_t sizeHigh, uint32_t parentKey, uint32_t ownKey,
                              uint32_t recordSector, const RecordTimes& times) {
  try {
    FileRecord record;
    FillRecord(record, shortName, longName, deleted, parentKey, ownKey, recordSector, times);
    record.fileNumber = filesFound;
    record.sizeLow = sizeLow;
    record.sizeHigh = sizeHigh;
    files_.push_back(std::move(record));
    ++filesFound;
    return true;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
    return false;
  }
}

// Indexes the record just appended. The record is appended first, so that an
// allocation failure here can never leave an index entry without its record.
void RecoveryCatalog::IndexNewest(uint32_t ownKey, int16_t fileSystemNumber) {
  try {
    folderIndex_.emplace(IndexKey(ownKey, fileSystemNumber), folders_.size() - 1);
  } catch (const std::bad_alloc&) {
    folders_.pop_back();
    throw;
  }
}

void RecoveryCatalog::FreeCatalog() {
  folders_.clear();
  files_.clear();
  folderIndex_.clear();
  directoriesFound = 0;
  filesFound = 0;
  bytesTotal = 0;
  outOfMemory = false;
}

void RecoveryCatalog::FreeFiles() {
  files_.clear();
  filesFound = 0;
}

}  // namespace vantor
