// Sector 0 is a partitioned disk's master boot record or a lone volume's boot
// sector. Either byte of the 0x55 0xAA mark is enough to go on (damaged marks are
// common). A lone volume is recognised by the last digits of its type text; a
// table's four 16-byte entries at 446 give a type byte, a first sector and a
// count. Extended boot records form a chain whose links count from the first
// extended partition ("the base"), while each record's data entry counts from
// the record itself. The chain is followed until a record has no link, a link is
// met a second time, or the listing is full. A table with an entry of type 0xEE
// protects a GUID partition table, which then is the disk's table (also when
// the MBR names partitions of its own beside it, as hybrid MBRs do).
#include "partition/PartitionTable.h"

#include <array>
#include <set>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "partition/BootValues.h"
#include "partition/GptTable.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr size_t kTableOffset = 446;
constexpr size_t kTableEntrySize = 16;

struct TableEntry {
  uint8_t type = 0;
  uint32_t firstSector = 0;
  uint32_t sectorCount = 0;
};

TableEntry EntryAt(ByteView sector, size_t index) {
  size_t at = kTableOffset + index * kTableEntrySize;
  return {sector.u8(at + 4), sector.le32(at + 8), sector.le32(at + 12)};
}

bool IsExtended(uint8_t type) { return type == 0x05 || type == 0x0F; }
constexpr uint8_t kProtectiveType = 0xEE;

// The lone-volume test on sector 0; later matches override earlier ones. A small
// FAT volume keeps its size in the 16-bit count at 19 and 0 in the 32-bit count at
// 32; the 16-bit count is taken then, so that the listed end is the volume's end
// (in 512-byte sectors, whatever its own sectors are).
std::string SingleVolumeName(ByteView sector, uint64_t& end) {
  std::string name;
  const auto fatEnd = [&] {
    return uint64_t{sector.le32(32) != 0 ? sector.le32(32) : sector.le16(19)} * SectorScale(sector);
  };
  if (sector.matches(57, "12")) name = "FAT12", end = fatEnd();
  if (sector.matches(57, "16")) name = "FAT16", end = fatEnd();
  if (sector.matches(85, "32")) name = "FAT32", end = fatEnd();
  if (sector.matches(3, "NTFS")) name = "NTFS", end = sector.le64(40);
  if (sector.matches(3, kExfatOemName)) {
    // exFAT: the volume's length at 72, in sectors of 2^(byte 108) bytes.
    const unsigned shift = sector.u8(108);
    name = "exFAT", end = shift >= 9 && shift <= 12 ? sector.le64(72) << (shift - 9) : 0;
  }
  return name;
}

// Sector 0 as a table: either byte of the 0x55 0xAA mark is enough.
bool HasTableMark(ByteView sector) { return sector.u8(510) == 0x55 || sector.u8(511) == 0xAA; }

class Lister {
 public:
  Lister(SectorReader& reader, std::vector<PartitionEntry>& list) : reader_(reader), list_(list) {}

  bool full() const { return list_.size() >= kMaxPartitions; }

  void Add(const std::string& name, uint64_t start, uint64_t end, const std::string& tableName = {}) {
    if (full()) return;
    list_.push_back(
        {name, "Partition - " + std::to_string(list_.size() + 1) + " ( " + name + " )", start, end, tableName});
  }

  // A data entry: named by its boot sector's signature text, else by its type.
  void Identify(const TableEntry& entry, uint64_t start) {
    std::string name = SignatureAt(start);
    if (name.empty()) name = TypeByteName(entry.type);
    if (name.empty()) {
      reader_.host().trace("partition at sector " + std::to_string(start) + " passed over: type " +
                            std::to_string(entry.type) + " and no file-system text");
      return;
    }
    Add(name, start, start + entry.sectorCount);
  }

  // The partitions of a GUID table, named by their boot sectors' signature text
  // (the type GUID of Windows' data partitions does not tell FAT from NTFS),
  // after `damage`, the message that says what was wrong with the disk's
  // start, when there is one.
  void ListGpt(const GptListing& gpt, const char* damage) {
    if (damage != nullptr) reader_.host().messageInfo(damage);
    for (const GptPartition& partition : gpt.partitions) {
      std::string name = SignatureAt(partition.firstSector);
      if (name.empty()) {
        reader_.host().trace("GPT partition at sector " + std::to_string(partition.firstSector) +
                             " passed over: no file-system text");
        continue;
      }
      Add(name, partition.firstSector, partition.endSector, Utf16ToUtf8(partition.name));
    }
  }

  void WalkExtendedChain(uint64_t base) {
    std::set<uint64_t> visited;
    uint64_t link = 0;
    for (bool linked = true; linked && !full();) {
      uint64_t record = base + link;
      if (!visited.insert(record).second) {
        reader_.host().trace("extended boot record at sector " + std::to_string(record) + " met twice: chain ends");
        return;
      }
      SectorBytes bytes = reader_.readOne(record);
      ByteView sector(bytes.data(), bytes.size());
      linked = false;
      for (size_t i = 0; i < 4; ++i) {
        TableEntry entry = EntryAt(sector, i);
        if (entry.type == 0x00) continue;
        if (IsExtended(entry.type)) {
          link = entry.firstSector;
          linked = true;
        } else {
          Identify(entry, record + entry.firstSector);
        }
      }
    }
  }

 private:
  std::string SignatureAt(uint64_t start) {
    SectorBytes boot = reader_.readOne(start);
    return SignatureName(ByteView(boot.data(), boot.size()));
  }

  SectorReader& reader_;
  std::vector<PartitionEntry>& list_;
};

}  // namespace

std::string SignatureName(ByteView bootSector) {
  if (bootSector.matches(82, "FAT32")) return "FAT32";
  if (bootSector.matches(54, "FAT16")) return "FAT16";
  if (bootSector.matches(3, "NTFS")) return "NTFS";
  if (bootSector.matches(3, kExfatOemName)) return "exFAT";
  if (bootSector.matches(54, "FAT12")) return "FAT12";
  return {};
}

std::string TypeByteName(uint8_t type) {
  switch (type) {
    case 0x01: case 0x04: case 0x06: case 0x0E: return "FAT16";
    case 0x0B: case 0x0C: return "FAT32";
    case 0x07: return "NTFS";
    default: return {};
  }
}

std::string PartitionScheme(SectorReader& reader) {
  SectorBytes bytes = reader.readOne(0);
  ByteView sector(bytes.data(), bytes.size());
  if (!HasTableMark(sector)) return "none";
  uint64_t end = 0;
  if (!SingleVolumeName(sector, end).empty()) return "single volume";
  for (size_t i = 0; i < 4; ++i)
    if (EntryAt(sector, i).type == kProtectiveType) return "GPT";
  return "MBR";
}

uint32_t ListPartitions(SectorReader& reader, std::vector<PartitionEntry>& partitions) {
  partitions.clear();
  SectorBytes bytes = reader.readOne(0);
  ByteView sector(bytes.data(), bytes.size());
  Lister lister(reader, partitions);
  const bool marked = HasTableMark(sector);
  uint64_t end = 0;
  std::string single = marked ? SingleVolumeName(sector, end) : std::string();
  if (!single.empty()) {
    lister.Add(single, 0, end);
    return 1;
  }
  // Sector 0 without a table (wiped by a reinstall or a wrong dd): a GUID table
  // whose header survives in sector 1 or in the disk's last sector still names
  // every partition.
  bool anyEntry = false;
  for (size_t i = 0; i < 4 && marked; ++i) anyEntry = anyEntry || EntryAt(sector, i).type != 0x00;
  if (!anyEntry) {
    const GptListing gpt = ReadGpt(reader, 0);
    if (gpt.found) {
      lister.ListGpt(gpt,
                     "The start of the disk is damaged: sector 0 holds no partition table. The GUID partition table "
                     "found on the disk was used.");
      return static_cast<uint32_t>(partitions.size());
    }
    if (!marked) return 0;
  }
  for (size_t i = 0; i < 4; ++i) {
    const TableEntry entry = EntryAt(sector, i);
    if (entry.type != kProtectiveType) continue;
    GptListing gpt = ReadGpt(reader, uint64_t{entry.firstSector} + entry.sectorCount);
    if (gpt.found) {
      lister.ListGpt(gpt, gpt.usedBackup ? "The GUID partition table at the start of the disk is damaged; its copy "
                                           "at the end of the disk was used."
                                         : nullptr);
      return static_cast<uint32_t>(partitions.size());
    }
    reader.host().trace("the protective MBR names a GUID partition table that cannot be read in either copy");
  }
  bool haveExtended = false;
  uint64_t base = 0;
  for (size_t i = 0; i < 4; ++i) {
    TableEntry entry = EntryAt(sector, i);
    if (entry.type == 0x00) continue;
    if (IsExtended(entry.type)) {
      haveExtended = true;
      base = entry.firstSector;
    } else {
      lister.Identify(entry, entry.firstSector);
    }
  }
  if (haveExtended) lister.WalkExtendedChain(base);
  return static_cast<uint32_t>(partitions.size());
}

}  // namespace vantor
