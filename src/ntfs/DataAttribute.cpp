#include "ntfs/DataAttribute.h"

#include "ntfs/NtfsRecord.h"

namespace vantor {
namespace {

// The longest step the walk accepts from `attribute`; a named data attribute is
// given one byte or two more than any other.
size_t MaxStep(ByteView record, const AttributeHeader& attribute, WalkVariant variant) {
  bool namedData = attribute.type == kDataAttribute && !attribute.unnamed();
  if (variant == WalkVariant::kExhaustiveScan) return namedData ? LastByte(record) : RecordEnd(record);
  return namedData ? LastByte(record) : LastButOneByte(record);
}

// The offset of the first unnamed data attribute whose size fields lie inside the
// record, or 0.
size_t FindUnnamedData(ByteView record, WalkVariant variant) {
  for (size_t offset = FirstAttributeOffset(record); offset < LastByte(record);) {
    AttributeHeader attribute = AttributeAt(record, offset);
    if (attribute.endsWalk()) return 0;
    if (attribute.type == kDataAttribute && attribute.unnamed())
      return record.has(offset, attribute.nonResident ? 56 : 24) ? offset : 0;
    if (attribute.length == 0 || attribute.length > MaxStep(record, attribute, variant)) return 0;
    offset += attribute.length;
  }
  return 0;
}

}  // namespace

bool UnnamedDataSize(ByteView record, WalkVariant variant, uint64_t& size) {
  size = 0;
  size_t offset = FindUnnamedData(record, variant);
  if (offset == 0) return false;
  AttributeHeader attribute = AttributeAt(record, offset);
  size = attribute.nonResident ? record.le64(offset + 48) : record.le32(offset + 16);
  return true;
}

DataAttributePlace FindDataAttribute(ByteView record) {
  size_t offset = FindUnnamedData(record, WalkVariant::kNormalScan);
  if (offset == 0) return {};
  bool nonResident = AttributeAt(record, offset).nonResident;
  return {nonResident ? DataKind::kNonResident : DataKind::kResident, offset};
}

}  // namespace vantor
