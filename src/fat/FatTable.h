// One reader of a file allocation table copy, shared by the scans and the saver.
//
// Entries are 12, 16 or 32 bits. A FAT12 entry straddles bytes: cluster N's entry
// starts at byte N * 3 / 2, even clusters take the low 12 bits of the
// little-endian pair, odd ones the high 12. FAT32 entries are given with all 32
// bits (the top four are not masked). An entry that lies, even in part, beyond
// the table's sectors is no entry: a damaged chain must not lead the reader into
// the sectors that follow the table. Table sectors are kept in a small cache, as
// chains mostly stay within a few sectors and are walked again and again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/FileSystemKind.h"
#include "core/Sector.h"

namespace vantor {

class FatTable {
 public:
  // The copy of `sectors` sectors from `firstSector`, read through `read`.
  FatTable(SectorRead read, FileSystemKind width, uint64_t firstSector, uint64_t sectors);

  // The entry of `cluster`, or nothing when it lies beyond the table or its
  // sector cannot be read.
  std::optional<uint32_t> Entry(uint32_t cluster);
  FileSystemKind width() const { return width_; }

 private:
  static constexpr size_t kCachedSectors = 64;
  struct Slot {
    uint64_t sector = UINT64_MAX;  // within the table
    bool read = false;
    SectorBytes bytes{};
  };
  // The byte at `offset` of the table; nothing when its sector cannot be read.
  std::optional<uint8_t> Byte(uint64_t offset);

  SectorRead read_;
  FileSystemKind width_;
  uint64_t firstSector_;
  uint64_t tableBytes_;
  std::array<Slot, kCachedSectors> cache_{};
};

}  // namespace vantor
