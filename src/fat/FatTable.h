// One reader of a file allocation table copy, shared by the scans and the saver.
//
// Entries are 12, 16 or 32 bits. A FAT12 entry straddles bytes: cluster N's entry
// starts at byte N * 3 / 2, even clusters take the low 12 bits of the
// little-endian pair, odd ones the high 12. FAT32 entries are given with all 32
// bits (the top four are not masked). An entry that lies, even in part, beyond
// the table's sectors is no entry: a damaged chain must not lead the reader into
// the sectors that follow the table. Table blocks are kept in a small cache, as
// chains mostly stay within a few sectors and are walked again and again, and a
// volume's files are laid out roughly in the order of their clusters.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/FileSystemKind.h"
#include "core/Sector.h"

namespace vantor {

class FatTable {
 public:
  // The copy of `sectors` sectors from `firstSector`, read through `read`. With
  // `quietRead` (a read that asks nothing and fails when any sector fails), the
  // table is read in blocks of kBlockSectors; a block that fails is read sector
  // by sector through `read`, which asks about the sectors that are bad.
  FatTable(SectorRead read, SectorRead quietRead, FileSystemKind width, uint64_t firstSector, uint64_t sectors);

  // The entry of `cluster`, or nothing when it lies beyond the table or its
  // sector cannot be read.
  std::optional<uint32_t> Entry(uint32_t cluster);
  FileSystemKind width() const { return width_; }

 private:
  static constexpr uint32_t kBlockSectors = 32;
  static constexpr size_t kCachedBlocks = 16;
  enum class SectorState : uint8_t { kUnread, kRead, kFailed };
  struct Block {
    uint64_t first = UINT64_MAX;  // sector within the table
    std::array<SectorState, kBlockSectors> states{};
    std::array<uint8_t, kBlockSectors * kSectorSize> bytes{};
  };
  Block& BlockOf(uint64_t sector);
  // The byte at `offset` of the table; nothing when its sector cannot be read.
  std::optional<uint8_t> Byte(uint64_t offset);

  SectorRead read_;
  SectorRead quietRead_;
  FileSystemKind width_;
  uint64_t firstSector_;
  uint64_t tableSectors_;
  std::vector<Block> cache_;
};

}  // namespace vantor
