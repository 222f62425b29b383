#include "partition/GptTable.h"

#include <zlib.h>

#include <vector>

#include "core/Sector.h"
#include "disk/SectorReader.h"

namespace vantor {
namespace {

constexpr uint32_t kMinHeaderSize = 92;
constexpr uint32_t kMinEntrySize = 128;
// Windows makes 128 entries of 128 bytes; more than this is taken as damage.
constexpr uint64_t kMaxEntryBytes = 1 << 20;
constexpr size_t kNameOffset = 56;
constexpr size_t kNameUnits = 36;

uint32_t Crc32(const uint8_t* bytes, size_t size) {
  return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), bytes, static_cast<uInt>(size)));
}

bool AllZero(ByteView bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes.u8(i) != 0) return false;
  return true;
}

// The header and its array read from `lba`; false when either is unsound.
bool ReadCopy(SectorReader& reader, uint64_t lba, GptHeader& header, std::vector<GptPartition>& partitions) {
  if (lba == 0) return false;
  SectorBytes sector = reader.readOne(lba);
  if (!ParseGptHeader(ByteView(sector.data(), sector.size()), lba, header)) return false;
  const uint64_t bytes = uint64_t{header.entryCount} * header.entrySize;
  std::vector<uint8_t> entries((bytes + kSectorSize - 1) / kSectorSize * kSectorSize);
  if (reader.read(header.entriesSector, static_cast<uint32_t>(entries.size() / kSectorSize), entries.data()) == 0)
    return false;
  partitions.clear();
  return ParseGptEntries(ByteView(entries.data(), static_cast<size_t>(bytes)), header, partitions);
}

}  // namespace

bool ParseGptHeader(ByteView sector, uint64_t lba, GptHeader& header) {
  const uint32_t size = sector.le32(12);
  if (!sector.matches(0, "EFI PART") || size < kMinHeaderSize || size > sector.size()) return false;
  std::vector<uint8_t> copy(sector.data(), sector.data() + size);
  copy[16] = copy[17] = copy[18] = copy[19] = 0;
  if (Crc32(copy.data(), copy.size()) != sector.le32(16) || sector.le64(24) != lba) return false;
  header.ownSector = lba;
  header.otherSector = sector.le64(32);
  header.entriesSector = sector.le64(72);
  header.entryCount = sector.le32(80);
  header.entrySize = sector.le32(84);
  header.entriesCrc = sector.le32(88);
  return header.entrySize >= kMinEntrySize && header.entrySize % 8 == 0 && header.entriesSector != 0 &&
         uint64_t{header.entryCount} * header.entrySize <= kMaxEntryBytes;
}

bool ParseGptEntries(ByteView entries, const GptHeader& header, std::vector<GptPartition>& partitions) {
  if (entries.size() < uint64_t{header.entryCount} * header.entrySize ||
      Crc32(entries.data(), entries.size()) != header.entriesCrc)
    return false;
  for (uint32_t i = 0; i < header.entryCount; ++i) {
    const ByteView entry = entries.sub(size_t{i} * header.entrySize, header.entrySize);
    if (AllZero(entry.sub(0, 16))) continue;
    const uint64_t first = entry.le64(32), last = entry.le64(40);
    if (last < first) continue;
    GptPartition partition{first, last + 1, {}};
    for (size_t k = 0; k < kNameUnits; ++k) {
      const char16_t unit = entry.le16(kNameOffset + 2 * k);
      if (unit == 0) break;
      partition.name += unit;
    }
    partitions.push_back(std::move(partition));
  }
  return true;
}

GptListing ReadGpt(SectorReader& reader, uint64_t protectiveEnd) {
  GptListing listing;
  GptHeader header;
  if (ReadCopy(reader, 1, header, listing.partitions)) {
    listing.found = true;
    return listing;
  }
  // The primary header may still name its copy when only its array is damaged.
  SectorBytes primary = reader.readOne(1);
  const ByteView view(primary.data(), primary.size());
  std::vector<uint64_t> copies;
  if (view.matches(0, "EFI PART") && view.le64(24) == 1) copies.push_back(view.le64(32));
  if (protectiveEnd > 2) copies.push_back(protectiveEnd - 1);
  // The protective entry's 32-bit count stops short of the end of a disk past
  // 2 TiB; the copy lies in the disk's own last sector.
  if (const uint64_t sectors = reader.sourceSectors(); sectors > 2) copies.push_back(sectors - 1);
  for (uint64_t lba : copies) {
    if (lba > 1 && ReadCopy(reader, lba, header, listing.partitions)) {
      listing.found = listing.usedBackup = true;
      return listing;
    }
  }
  listing.partitions.clear();
  return listing;
}

}  // namespace vantor
