// The listing of the file systems on a source: a single volume without a table
// (a floppy, a logical drive, an image of one volume), or the primary table of
// sector 0 followed by the chain of extended boot records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ByteView.h"
#include "partition/PartitionEntry.h"

namespace vantor {

class SectorReader;

// How the source's sectors are divided, by sector 0: "GPT" (a protective entry
// of type 0xEE), "MBR", "single volume" (a boot sector, no table) or "none".
std::string PartitionScheme(SectorReader& reader);

// Fills `partitions` from the reader's current source; returns the number listed.
uint32_t ListPartitions(SectorReader& reader, std::vector<PartitionEntry>& partitions);

// exFAT's OEM name, at 3 of its boot sector. Windows types exFAT partitions 0x07
// as NTFS ones: the boot sector tells them apart.
inline constexpr const char* kExfatOemName = "EXFAT   ";

// The file-system name that a volume's first sector shows by its signature text
// ("FAT32" at 82, "FAT16" or "FAT12" at 54, "NTFS" or "EXFAT" at 3), or empty.
std::string SignatureName(ByteView bootSector);
// The name that a partition type byte stands for when the boot sector shows no
// signature text, or empty.
std::string TypeByteName(uint8_t type);

}  // namespace vantor
