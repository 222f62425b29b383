#include "ntfs/IndexDecoders.h"

#include <algorithm>

#include "core/Sector.h"
#include "ntfs/NtfsRecord.h"

namespace vantor {
namespace {

constexpr size_t kMinIndexRootLength = 144;
constexpr size_t kIndexRootNameOffset = 24;        // resident: name behind the header
constexpr size_t kIndexAllocationNameOffset = 64;  // non-resident: name behind the header

}  // namespace

std::optional<size_t> FindI30IndexRoot(ByteView record) {
  for (size_t offset = FirstAttributeOffset(record); offset + 3 <= LastByte(record);) {
    AttributeHeader attribute = AttributeAt(record, offset);
    if (attribute.endsWalk()) return std::nullopt;
    if (attribute.type == kIndexRoot && attribute.resident() &&
        IsI30Name(record, attribute.nameLength, offset + kIndexRootNameOffset)) {
      if (attribute.length < kMinIndexRootLength) return std::nullopt;
      return offset;
    }
    if (attribute.length == 0 || offset + 7 > LastByte(record)) return std::nullopt;
    offset += attribute.length;
  }
  return std::nullopt;
}

std::optional<size_t> FindI30IndexAllocation(ByteView record) {
  for (size_t offset = FirstAttributeOffset(record); offset + 3 <= LastByte(record);) {
    AttributeHeader attribute = AttributeAt(record, offset);
    if (attribute.endsWalk()) return std::nullopt;
    if (attribute.type == kIndexAllocation && attribute.nonResident &&
        IsI30Name(record, attribute.nameLength, offset + kIndexAllocationNameOffset))
      return offset;
    if (attribute.length == 0 || attribute.length >= LastByte(record) || offset + attribute.length >= LastByte(record) ||
        offset + 7 > LastByte(record))
      return std::nullopt;
    offset += attribute.length;
  }
  return std::nullopt;
}

uint32_t IndexRootDirectoryNumber(ByteView record) {
  std::optional<size_t> root = FindI30IndexRoot(record);
  if (!root || *root + 64 >= LastByte(record)) return 0;
  // The first entry's name length; 0 (or outside the record) means no entry.
  if (record.u8(*root + 144) == 0) return 0;
  uint32_t number = record.le32(*root + 80);
  return number == 0xFFFFFFFF ? 0 : number;
}

uint64_t FirstIndexCluster(ByteView record) {
  std::optional<size_t> allocation = FindI30IndexAllocation(record);
  if (!allocation || *allocation >= LastByte(record)) return 0;
  size_t runList = *allocation + record.le16(*allocation + 32);
  if (runList >= RecordEnd(record)) return 0;
  uint8_t header = record.u8(runList);
  if (header == 0) return 0;
  size_t lengthBytes = header & 0x0F;
  size_t offsetBytes = std::min<size_t>(header >> 4, 8);
  return record.le(runList + 1 + lengthBytes, offsetBytes);
}

bool ReadIndexBlockHeader(ByteView sector, IndexBlockHeader& header) {
  sector = sector.sub(0, kSectorSize);
  if (!sector.matches(0, "INDX")) return false;
  uint64_t allocated = sector.le32(32);
  uint64_t firstEntry = sector.le32(24);
  if (allocated + 24 > 65536 || firstEntry + 44 > allocated + 24) return false;
  // The first entry's key must lie in this sector.
  if (firstEntry + 44 > kSectorSize) return false;
  uint32_t directory = sector.le32(firstEntry + 40);
  if (directory < kNtfsRootRecord || directory == 0xFFFFFFFF) return false;
  header.vcn = sector.le32(16);
  header.directoryNumber = directory;
  return true;
}

}  // namespace vantor
