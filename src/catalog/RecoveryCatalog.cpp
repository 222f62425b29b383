#include "catalog/RecoveryCatalog.h"

#include <cstring>
#include <new>

#include "platform/Utf.h"

namespace vantor {
namespace {

// The fields that folder and file records share.
template <typename Record, typename New>
void FillRecord(Record& record, const New& found) {
  record.deleted = found.deleted;
  record.modified = found.times.modified;
  record.created = found.times.created;
  record.accessed = found.times.accessed;
  record.parentKey = found.parentKey;
  record.ownKey = found.ownKey;
  record.recordSector = found.recordSector;
}

}  // namespace

std::string RecordName::shortName() const {
  if (!isShort()) return {};
  return std::string(reinterpret_cast<const char*>(data_), length_);
}

std::u16string RecordName::longName() const {
  if (isShort() || length_ == 0) return {};
  if (form_ == Form::kNarrowLong) return std::u16string(data_, data_ + length_);
  std::u16string name(length_, u'\0');
  std::memcpy(name.data(), data_, length_ * sizeof(char16_t));
  return name;
}

std::u16string RecordName::utf16() const { return isShort() ? Latin1ToUtf16(shortName()) : longName(); }

std::string RecordName::utf8() const { return isShort() ? Latin1ToUtf8(shortName()) : Utf16ToUtf8(longName()); }

uint8_t* NameArena::Allocate(size_t bytes) {
  if (bytes > kChunkBytes / 4) {
    // A name this long gets a chunk of its own; the chunk being filled stays last.
    auto own = std::make_unique<uint8_t[]>(bytes);
    uint8_t* place = own.get();
    chunks_.insert(chunks_.empty() ? chunks_.end() : chunks_.end() - 1, std::move(own));
    return place;
  }
  if (used_ + bytes > kChunkBytes) {
    chunks_.push_back(std::make_unique<uint8_t[]>(kChunkBytes));
    used_ = 0;
  }
  uint8_t* place = chunks_.back().get() + used_;
  used_ += bytes;
  return place;
}

RecordName NameArena::Store(std::string_view shortName, std::u16string_view longName) {
  RecordName name;
  if (!shortName.empty()) {
    name.form_ = RecordName::Form::kShort;
    name.length_ = static_cast<uint32_t>(shortName.size());
    uint8_t* place = Allocate(shortName.size());
    std::memcpy(place, shortName.data(), shortName.size());
    name.data_ = place;
    return name;
  }
  name.length_ = static_cast<uint32_t>(longName.size());
  if (longName.empty()) return name;
  bool narrow = true;
  for (char16_t unit : longName) narrow = narrow && unit < 0x100;
  if (narrow) {
    name.form_ = RecordName::Form::kNarrowLong;
    uint8_t* place = Allocate(longName.size());
    for (size_t i = 0; i < longName.size(); ++i) place[i] = static_cast<uint8_t>(longName[i]);
    name.data_ = place;
    return name;
  }
  const size_t bytes = longName.size() * sizeof(char16_t);
  uint8_t* place = Allocate(bytes);
  std::memcpy(place, longName.data(), bytes);
  name.data_ = place;
  return name;
}

void NameArena::Clear() {
  chunks_.clear();
  used_ = kChunkBytes;
}

bool RecoveryCatalog::AddFolder(const NewFolder& found) {
  try {
    FolderRecord record;
    FillRecord(record, found);
    record.fileSystemNumber = found.fileSystemNumber;
    const uint32_t ownKey = found.ownKey;
    if (ownKey != 0) {
      // The index holds the first record of each key; later duplicates are never
      // appended, so it finds exactly the record a walk of the list would find.
      auto indexed = folderIndex_.find(IndexKey(ownKey, found.fileSystemNumber));
      if (indexed != folderIndex_.end()) {
        FolderRecord& existing = folders_[indexed->second];
        if (existing.deleted == 'y' && found.deleted != 'y') {
          record.name = names_.Store(found.shortName, found.longName);
          record.treeItem = existing.treeItem;
          existing = record;
        }
        return true;
      }
    }
    record.name = names_.Store(found.shortName, found.longName);
    folders_.push_back(record);
    if (ownKey != 0) IndexNewest(ownKey, found.fileSystemNumber);
    ++directoriesFound;
    return true;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
    return false;
  }
}

bool RecoveryCatalog::AddFile(const NewFile& found) {
  try {
    FileRecord record;
    FillRecord(record, found);
    record.name = names_.Store(found.shortName, found.longName);
    record.fileNumber = filesFound;
    record.sizeLow = static_cast<uint32_t>(found.size);
    record.sizeHigh = static_cast<uint32_t>(found.size >> 32);
    record.stream = found.stream;
    files_.push_back(record);
    ++filesFound;
    return true;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
    return false;
  }
}

bool RecoveryCatalog::Rename(RecordName& name, std::string_view shortName, std::u16string_view longName) {
  try {
    name = names_.Store(shortName, longName);
    return true;
  } catch (const std::bad_alloc&) {
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
  names_.Clear();
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
