// The GUID partition table of UEFI disks (every Windows 11 guest).
//
// Sector 0 keeps a protective MBR whose one entry of type 0xEE covers the disk;
// the GPT header lies in sector 1 and a copy in the disk's last sector. A header
// ("EFI PART") gives its own size (+12) and CRC-32 (+16, computed with the field
// zeroed), where it and its copy lie (+24, +32), the sector of the entry array
// (+72), the number of entries (+80), the size of each (+84, a multiple of 128)
// and the CRC-32 of the array (+88). An entry holds its type GUID (+0; all zeros
// for an unused entry), its first and last sector (+32, +40, the last one
// included) and its name in UTF-16 (+56, 36 characters at most).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ByteView.h"

namespace vantor {

class SectorReader;

struct GptHeader {
  uint64_t ownSector = 0;
  uint64_t otherSector = 0;
  uint64_t entriesSector = 0;
  uint32_t entryCount = 0;
  uint32_t entrySize = 0;
  uint32_t entriesCrc = 0;
};

struct GptPartition {
  uint64_t firstSector = 0;
  uint64_t endSector = 0;  // the first sector after it
  std::u16string name;
};

// The header in `sector`, read from `lba`: false when the signature, the size,
// the CRC, the place it names for itself or the entry layout is wrong.
bool ParseGptHeader(ByteView sector, uint64_t lba, GptHeader& header);
// The used entries of the array, in order; false when its CRC is wrong.
bool ParseGptEntries(ByteView entries, const GptHeader& header, std::vector<GptPartition>& partitions);

struct GptListing {
  bool found = false;       // a sound header and array were read
  bool usedBackup = false;  // the primary ones were damaged: the copy at the end was used
  std::vector<GptPartition> partitions;
};

// Reads the table of a disk whose protective entry ends at `protectiveEnd` (the
// first sector after the disk, as the MBR gives it): the primary header and
// array, else the copy that the primary header names, else the copy in the
// protective entry's last sector.
GptListing ReadGpt(SectorReader& reader, uint64_t protectiveEnd);

}  // namespace vantor
