// The records over which one file's attributes are spread.
//
// When a file's attributes do not fit in its base record, NTFS moves some of them
// to extension records and keeps an attribute list (0x20) in the base record:
// entries of type (+0), entry length (+4) and the record that holds the attribute
// (+16, low 32 bits used). A resident list inside a 1024-byte record cannot name
// more than 53 records, which is the size of this table. Entry 0 is the record
// being decoded; each record is named once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/ByteView.h"

namespace vantor {

class ExtensionRecords {
 public:
  static constexpr size_t kCapacity = 53;

  // Sets the table to `baseRecord` alone.
  void Reset(uint32_t baseRecord);
  // Adds a record number unless it is listed already or the table is full.
  void Add(uint32_t recordNumber);

  size_t count() const { return count_; }
  uint32_t operator[](size_t index) const { return numbers_[index]; }
  const uint32_t* begin() const { return numbers_.data(); }
  const uint32_t* end() const { return numbers_.data() + count_; }

 private:
  std::array<uint32_t, kCapacity> numbers_{};
  uint16_t count_ = 0;
};

// The value bytes of the record's first resident attribute list, bounded by the
// attribute and the record; empty when it has none.
ByteView ResidentAttributeList(ByteView record);

// Appends the records named by the record's resident attribute list.
void CollectExtensionRecords(ByteView record, ExtensionRecords& table);
// Appends the records named by the entries of an attribute list.
void CollectListedRecords(ByteView list, ExtensionRecords& table);

}  // namespace vantor
