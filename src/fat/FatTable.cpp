#include "fat/FatTable.h"

namespace vantor {

FatTable::FatTable(SectorRead read, FileSystemKind width, uint64_t firstSector, uint64_t sectors)
    : read_(std::move(read)),
      width_(width),
      firstSector_(firstSector),
      tableBytes_(sectors * kSectorSize) {}

std::optional<uint8_t> FatTable::Byte(uint64_t offset) {
  const uint64_t sector = offset / kSectorSize;
  Slot& slot = cache_[sector % kCachedSectors];
  if (slot.sector != sector) {
    slot.sector = sector;
    slot.bytes.fill(0);
    slot.read = read_(firstSector_ + sector, 1, slot.bytes.data()) != 0;
  }
  if (!slot.read) return std::nullopt;
  return slot.bytes[offset % kSectorSize];
}

std::optional<uint32_t> FatTable::Entry(uint32_t cluster) {
  uint64_t offset = 0;
  size_t bytes = 0;
  switch (width_) {
    case FileSystemKind::kFat12: offset = static_cast<uint64_t>(cluster) * 3 / 2, bytes = 2; break;
    case FileSystemKind::kFat16: offset = static_cast<uint64_t>(cluster) * 2, bytes = 2; break;
    case FileSystemKind::kFat32: offset = static_cast<uint64_t>(cluster) * 4, bytes = 4; break;
    case FileSystemKind::kUnknown:
    case FileSystemKind::kNtfs: return std::nullopt;
  }
  // Sector 0 holds the boot sector, never a table.
  if (firstSector_ == 0 || offset + bytes > tableBytes_) return std::nullopt;
  uint32_t value = 0;
  for (size_t i = 0; i < bytes; ++i) {
    std::optional<uint8_t> byte = Byte(offset + i);
    if (!byte) return std::nullopt;
    value |= static_cast<uint32_t>(*byte) << (8 * i);
  }
  if (width_ == FileSystemKind::kFat12) value = cluster % 2 == 0 ? value & 0x0FFF : value >> 4;
  return value;
}

}  // namespace vantor
