#include "ntfs/RunTables.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <string_view>
#include <vector>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "ntfs/DataRuns.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/MftReading.h"
#include "ntfs/NtfsRecord.h"

namespace vantor {
namespace {

using RecordBuffer = std::array<uint8_t, kMaxMftRecordBytes>;

// The attribute flags that say the data is compressed (only LZNT1, 0x0001, exists).
constexpr uint16_t kCompressionMask = 0x00FF;

// A non-resident attribute list larger than this is taken as damaged.
constexpr uint64_t kMaxAttributeListBytes = 1 << 20;

// Which attribute a run table follows: the unnamed data, a named stream, or the
// $I30 index allocation of a folder.
struct Wanted {
  uint32_t type;
  std::u16string_view stream = {};

  // Whether the UTF-16 name of `length` characters at `offset` is the stream's.
  bool namesStream(ByteView bytes, uint8_t length, size_t offset) const {
    if (length != stream.size()) return false;
    if (length == 0) return true;
    if (!bytes.has(offset, size_t{length} * 2)) return false;
    for (size_t i = 0; i < stream.size(); ++i)
      if (bytes.le16(offset + 2 * i) != stream[i]) return false;
    return true;
  }
  bool matches(ByteView record, const AttributeHeader& attribute) const {
    if (attribute.type != type || !attribute.nonResident) return false;
    if (type == kIndexAllocation) return IsI30Name(record, attribute.nameLength, attribute.offset + 64);
    return namesStream(record, attribute.nameLength, attribute.offset + record.le16(attribute.offset + 10));
  }
  bool matchesEntry(ByteView list, size_t entry) const {
    if (list.le32(entry) != type) return false;
    uint8_t nameLength = list.u8(entry + 6);
    if (type == kIndexAllocation) return IsI30Name(list, nameLength, entry + list.u8(entry + 7));
    return namesStream(list, nameLength, entry + list.u8(entry + 7));
  }
};

// The run list of a non-resident attribute, bounded by the attribute and the record.
ByteView RunListOf(ByteView record, const AttributeHeader& attribute) {
  size_t offset = record.le16(attribute.offset + 32);
  if (offset >= RecordEnd(record)) offset = 64;
  if (offset >= attribute.length) return {};
  return record.sub(attribute.offset + offset, attribute.length - offset);
}

void TakeCompression(ByteView record, const AttributeHeader& attribute, MftRunTable& table) {
  const bool compressed = (record.le16(attribute.offset + 12) & kCompressionMask) != 0;
  table.setCompressionUnit(compressed ? record.u8(attribute.offset + 34) : 0);
}

// Appends the runs of every wanted attribute of the record; `realSize` takes the
// real size of the first one when it is still 0, and the table its compression.
void AppendAttributeRuns(ByteView record, Wanted wanted, uint64_t partitionStart, uint32_t sectorsPerCluster,
                         MftRunTable& table, uint64_t& realSize) {
  ForEachAttribute(record, [&](const AttributeHeader& attribute) {
    if (!wanted.matches(record, attribute)) return true;
    if (realSize == 0) {
      realSize = record.le64(attribute.offset + 48);
      TakeCompression(record, attribute, table);
    }
    return DecodeRunList(RunListOf(record, attribute), partitionStart, sectorsPerCluster, table);
  });
}

}  // namespace

ByteView AttributeListBytes(SectorReader& reader, ByteView record, uint64_t partitionStart,
                            uint32_t sectorsPerCluster, std::vector<uint8_t>& storage) {
  ByteView resident = ResidentAttributeList(record);
  if (resident.size() > 0) return resident;
  MftRunTable runs;
  uint64_t size = 0;
  ForEachAttribute(record, [&](const AttributeHeader& attribute) {
    if (attribute.type != kAttributeList || !attribute.nonResident) return true;
    size = record.le64(attribute.offset + 48);
    DecodeRunList(RunListOf(record, attribute), partitionStart, sectorsPerCluster, runs);
    return false;
  });
  if (size == 0 || size > kMaxAttributeListBytes) return {};
  runs.LimitTo((size + kSectorSize - 1) / kSectorSize);
  if (runs.TotalSectors() == 0) return {};
  storage.assign(runs.TotalSectors() * kSectorSize, 0);
  ReadRunSectors(reader, runs, 0, static_cast<uint32_t>(runs.TotalSectors()), storage.data());
  return ByteView(storage.data(), std::min<size_t>(size, storage.size()));
}

namespace {

// The records that the attribute list names for the wanted attribute, in list
// order, each once; empty without a list.
std::vector<uint32_t> ListedRecords(SectorReader& reader, ByteView record, Wanted wanted, uint64_t partitionStart,
                                    uint32_t sectorsPerCluster) {
  std::vector<uint8_t> storage;
  ByteView list = AttributeListBytes(reader, record, partitionStart, sectorsPerCluster, storage);
  std::vector<uint32_t> numbers;
  for (size_t entry = 0; list.has(entry, 24);) {
    if (list.le32(entry) == 0 || list.le32(entry) == 0xFFFFFFFF) break;
    uint32_t number = list.le32(entry + 16);
    if (wanted.matchesEntry(list, entry) && std::find(numbers.begin(), numbers.end(), number) == numbers.end())
      numbers.push_back(number);
    size_t length = list.le16(entry + 4);
    if (length == 0) break;
    entry += length;
  }
  return numbers;
}

// Truncates the MFT's table at the first run that is sparse (the MFT never is),
// leaves the volume or covers sectors that an earlier run covers already.
void KeepSoundRuns(MftRunTable& table, uint64_t partitionStart, uint64_t endSector) {
  std::map<uint64_t, uint64_t> covered;  // first sector -> end sector
  for (size_t i = 0; i < table.count(); ++i) {
    const DataRun& run = table.runs()[i];
    uint64_t end = run.firstSector + run.sectorCount;
    bool outside = run.sparse || run.firstSector < partitionStart || (endSector > 0 && end > endSector);
    auto next = covered.lower_bound(run.firstSector);
    bool overlaps = (next != covered.end() && next->first < end) ||
                    (next != covered.begin() && std::prev(next)->second > run.firstSector);
    if (outside || overlaps) {
      table.Truncate(i);
      return;
    }
    covered.emplace(run.firstSector, end);
  }
}

}  // namespace

bool BuildMftRunTable(SectorReader& reader, MftRunTable& table, uint64_t partitionStart, uint64_t mftStartSector,
                      uint32_t sectorsPerCluster) {
  table.Clear();
  const uint32_t recordSectors = MftRecordSectorsOf(reader.state().geometry.sectorsPerMftRecord);
  table.setRecordSectors(recordSectors);
  RecordBuffer record;
  if (sectorsPerCluster == 0 ||
      !ReadRecordAt(reader, mftStartSector + uint64_t{kNtfsRootRecord} * recordSectors, recordSectors, record.data()) ||
      !ReadRecordAt(reader, mftStartSector, recordSectors, record.data()))
    return false;
  const Wanted data{kDataAttribute};
  ByteView base(record.data(), table.recordBytes());
  uint64_t realSize = 0;
  std::vector<uint32_t> listed = ListedRecords(reader, base, data, partitionStart, sectorsPerCluster);
  if (listed.empty()) AppendAttributeRuns(base, data, partitionStart, sectorsPerCluster, table, realSize);
  for (size_t i = 0; i < listed.size(); ++i) {
    // The first extent is found from the MFT's start; the others through the
    // runs gathered so far.
    uint64_t sector = i == 0 ? mftStartSector + uint64_t{recordSectors} * listed[i] : MftRecordSector(table, listed[i]);
    RecordBuffer extent;
    if (sector == 0 || !ReadRecordAt(reader, sector, recordSectors, extent.data())) continue;
    AppendAttributeRuns(ByteView(extent.data(), table.recordBytes()), data, partitionStart, sectorsPerCluster, table,
                        realSize);
  }
  KeepSoundRuns(table, partitionStart, reader.state().endSector);
  if (realSize > 0) table.LimitTo((realSize + table.recordBytes() - 1) / table.recordBytes() * recordSectors);
  return !table.empty();
}

uint64_t MftRecordSector(const MftRunTable& table, uint64_t recordNumber) {
  uint64_t target = recordNumber * table.recordSectors();
  uint64_t covered = 0;
  for (const DataRun& run : table.runs()) {
    if (target < covered + run.sectorCount) return run.sparse ? 0 : run.firstSector + (target - covered);
    covered += run.sectorCount;
  }
  return 0;
}

MftRunTable BuildRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, uint64_t recordSector, char kind,
                          uint32_t sectorsPerCluster) {
  RecordBuffer record;
  const uint32_t recordSectors = mft.recordSectors();
  if (!ReadRecordAt(reader, recordSector, recordSectors, record.data())) return {};
  return BuildRunTable(reader, mft, partitionStart, ByteView(record.data(), mft.recordBytes()),
                       recordSector, kind, sectorsPerCluster);
}

namespace {

MftRunTable FollowedRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, ByteView base,
                             uint64_t recordSector, Wanted wanted, uint32_t sectorsPerCluster) {
  MftRunTable table;
  const uint32_t recordSectors = mft.recordSectors();
  const size_t recordBytes = mft.recordBytes();
  uint64_t realSize = 0;
  std::vector<uint32_t> listed = ListedRecords(reader, base, wanted, partitionStart, sectorsPerCluster);
  // The record's own number (NTFS 3.1 keeps it at +44) tells which entries of
  // the list name the record itself, which is then not read again.
  uint32_t ownNumber = base.le32(44);
  if (listed.empty()) AppendAttributeRuns(base, wanted, partitionStart, sectorsPerCluster, table, realSize);
  for (uint32_t number : listed) {
    RecordBuffer extent;
    uint64_t sector = MftRecordSector(mft, number);
    if (number == ownNumber || sector == recordSector) {
      AppendAttributeRuns(base, wanted, partitionStart, sectorsPerCluster, table, realSize);
    } else if (sector != 0 && ReadRecordAt(reader, sector, recordSectors, extent.data())) {
      AppendAttributeRuns(ByteView(extent.data(), recordBytes), wanted, partitionStart, sectorsPerCluster, table,
                          realSize);
    }
  }
  return table;
}

}  // namespace

MftRunTable BuildRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, ByteView base,
                          uint64_t recordSector, char kind, uint32_t sectorsPerCluster) {
  const Wanted wanted{kind == 'D' ? uint32_t{kIndexAllocation} : uint32_t{kDataAttribute}};
  return FollowedRunTable(reader, mft, partitionStart, base, recordSector, wanted, sectorsPerCluster);
}

MftRunTable StreamRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, ByteView base,
                           uint64_t recordSector, std::u16string_view stream, uint32_t sectorsPerCluster) {
  return FollowedRunTable(reader, mft, partitionStart, base, recordSector, Wanted{kDataAttribute, stream},
                          sectorsPerCluster);
}

}  // namespace vantor
