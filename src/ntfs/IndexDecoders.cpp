#include "ntfs/IndexDecoders.h"

#include <algorithm>

#include "core/Sector.h"
#include "ntfs/NtfsRecord.h"

namespace vantor {
namespace {

constexpr size_t kMinIndexRootLength = 144;
constexpr size_t kIndexRootNameOffset = 24;        // resident: name behind the header
constexpr size_t kIndexAllocationNameOffset = 64;  // non-resident: name behind the header

// The walk of both index decoders: an attribute is read while its first four
// bytes lie before the record's last byte.
template <typename Step, typename Visit>
void WalkIndexAttributes(ByteView record, Step step, Visit visit) {
  WalkAttributes(
      record, FirstAttributeOffset(record), [&](size_t offset) { return offset + 3 <= LastByte(record); }, step,
      visit);
}

}  // namespace

std::optional<size_t> FindI30IndexRoot(ByteView record) {
  std::optional<size_t> found;
  WalkIndexAttributes(
      record, [&](const AttributeHeader& attribute) { return attribute.offset + 7 <= LastByte(record); },
      [&](const AttributeHeader& attribute) {
        if (attribute.type != kIndexRoot || !attribute.resident() ||
            !IsI30Name(record, attribute.nameLength, attribute.offset + kIndexRootNameOffset))
          return true;
        if (attribute.length >= kMinIndexRootLength) found = attribute.offset;
        return false;
      });
  return found;
}

std::optional<size_t> FindI30IndexAllocation(ByteView record) {
  std::optional<size_t> found;
  WalkIndexAttributes(
      record,
      [&](const AttributeHeader& attribute) {
        const size_t offset = attribute.offset;
        return attribute.length < LastByte(record) && offset + attribute.length < LastByte(record) &&
               offset + 7 <= LastByte(record);
      },
      [&](const AttributeHeader& attribute) {
        if (attribute.type != kIndexAllocation || !attribute.nonResident ||
            !IsI30Name(record, attribute.nameLength, attribute.offset + kIndexAllocationNameOffset))
          return true;
        found = attribute.offset;
        return false;
      });
  return found;
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
