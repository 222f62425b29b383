#include "ntfs/DataAttribute.h"

#include <algorithm>

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
  size_t found = 0;
  WalkAttributes(
      record, FirstAttributeOffset(record), [&](size_t offset) { return offset < LastByte(record); },
      [&](const AttributeHeader& attribute) { return attribute.length <= MaxStep(record, attribute, variant); },
      [&](const AttributeHeader& attribute) {
        if (attribute.type != kDataAttribute || !attribute.unnamed()) return true;
        if (record.has(attribute.offset, attribute.nonResident ? 56 : 24)) found = attribute.offset;
        return false;
      });
  return found;
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

std::vector<NamedStream> NamedStreams(ByteView record) {
  std::vector<NamedStream> streams;
  ForEachAttribute(record, [&](const AttributeHeader& attribute) {
    if (attribute.type != kDataAttribute || attribute.unnamed()) return true;
    const size_t offset = attribute.offset;
    const size_t nameOffset = record.le16(offset + 10);
    const size_t nameBytes = size_t{attribute.nameLength} * 2;
    const size_t header = attribute.nonResident ? 64 : 24;
    if (nameOffset + nameBytes > attribute.length || !record.has(offset, std::max(header, nameOffset + nameBytes)))
      return true;
    if (attribute.nonResident && record.le64(offset + 16) != 0) return true;  // a later extent
    NamedStream stream;
    for (size_t i = 0; i < nameBytes; i += 2) stream.name.push_back(static_cast<char16_t>(record.le16(offset + nameOffset + i)));
    stream.size = attribute.nonResident ? record.le64(offset + 48) : record.le32(offset + 16);
    stream.place = {attribute.nonResident ? DataKind::kNonResident : DataKind::kResident, offset};
    streams.push_back(std::move(stream));
    return streams.size() < kMaxStreamsPerFile;
  });
  return streams;
}

DataAttributePlace FindDataAttribute(ByteView record, uint8_t stream) {
  if (stream == 0) return FindDataAttribute(record);
  std::vector<NamedStream> streams = NamedStreams(record);
  return stream <= streams.size() ? streams[stream - 1].place : DataAttributePlace{};
}

}  // namespace vantor
