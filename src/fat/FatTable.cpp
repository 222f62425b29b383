#include "fat/FatTable.h"

#include <algorithm>

namespace vantor {

FatTable::FatTable(SectorRead read, SectorRead quietRead, FileSystemKind width, uint64_t firstSector,
                   uint64_t sectors)
    : read_(std::move(read)),
      quietRead_(std::move(quietRead)),
      width_(width),
      firstSector_(firstSector),
      tableSectors_(sectors),
      cache_(kCachedBlocks) {}

FatTable::Block& FatTable::BlockOf(uint64_t sector) {
  const uint64_t first = sector - sector % kBlockSectors;
  Block& block = cache_[(first / kBlockSectors) % kCachedBlocks];
  if (block.first == first) return block;
  block.first = first;
  block.bytes.fill(0);
  block.states.fill(SectorState::kUnread);
  // The last block ends with the table.
  const auto count = static_cast<uint32_t>(std::min<uint64_t>(kBlockSectors, tableSectors_ - first));
  if (quietRead_ && quietRead_(firstSector_ + first, count, block.bytes.data()) != 0)
    std::fill_n(block.states.begin(), count, SectorState::kRead);
  return block;
}

std::optional<uint8_t> FatTable::Byte(uint64_t offset) {
  const uint64_t sector = offset / kSectorSize;
  Block& block = BlockOf(sector);
  const size_t index = sector - block.first;
  uint8_t* bytes = block.bytes.data() + index * kSectorSize;
  if (block.states[index] == SectorState::kUnread) {
    std::fill_n(bytes, kSectorSize, 0);
    block.states[index] = read_(firstSector_ + sector, 1, bytes) != 0 ? SectorState::kRead : SectorState::kFailed;
  }
  if (block.states[index] == SectorState::kFailed) return std::nullopt;
  return bytes[offset % kSectorSize];
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
  if (firstSector_ == 0 || offset + bytes > tableSectors_ * kSectorSize) return std::nullopt;
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
