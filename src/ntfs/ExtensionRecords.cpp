#include "ntfs/ExtensionRecords.h"

#include <algorithm>

#include "ntfs/NtfsRecord.h"

namespace vantor {

void ExtensionRecords::Reset(uint32_t baseRecord) {
  numbers_[0] = baseRecord;
  count_ = 1;
}

void ExtensionRecords::Add(uint32_t recordNumber) {
  if (count_ >= kCapacity || std::find(begin(), end(), recordNumber) != end()) return;
  numbers_[count_++] = recordNumber;
}

ByteView ResidentAttributeList(ByteView record) {
  ByteView list;
  WalkAttributes(
      record, FirstAttributeOffset(record), [&](size_t offset) { return offset < RecordEnd(record); },
      [&](const AttributeHeader& attribute) { return attribute.length <= RecordEnd(record); },
      [&](const AttributeHeader& attribute) {
        if (attribute.type != kAttributeList || !attribute.resident()) return true;
        const size_t offset = attribute.offset;
        size_t valueOffset = record.le16(offset + 20);
        if (valueOffset == 0 || valueOffset >= LastByte(record) || offset + valueOffset > LastButOneByte(record))
          return false;
        // The entries end with the value: the bytes after it belong to the next
        // attribute and would read as entries naming unrelated records.
        size_t valueLength = std::min<size_t>(record.le32(offset + 16),
                                              attribute.length - std::min<size_t>(valueOffset, attribute.length));
        list = record.sub(offset + valueOffset, valueLength);
        return false;
      });
  return list;
}

void CollectExtensionRecords(ByteView record, ExtensionRecords& table) {
  CollectListedRecords(ResidentAttributeList(record), table);
}

void CollectListedRecords(ByteView list, ExtensionRecords& table) {
  for (size_t entry = 0; list.has(entry, 24);) {
    uint32_t type = list.le32(entry);
    if (type == 0) return;
    if (type != 0xFFFFFFFF) table.Add(list.le32(entry + 16));
    size_t length = list.le16(entry + 4);
    if (length == 0 || length > list.size()) return;
    entry += length;
  }
}

}  // namespace vantor
