// One file system listed on a disk: what the Step 2 tree and panel show and what
// Step 2 hands to the engines.
//
// The PC partition table holds 32-bit first sectors and counts, so a primary
// partition starts below 2^32; a logical partition's start is the sum of the
// extended base, its record's link and its own first sector, which can pass
// 2^32. Starts and ends are therefore kept and summed as 64-bit values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantor {

// The listing stops at this many file systems per disk.
inline constexpr size_t kMaxPartitions = 26;

struct PartitionEntry {
  std::string fileSystemName;  // "FAT12", "FAT16", "FAT32" or "NTFS"
  std::string treeText;        // "Partition - 1 ( FAT32 )"
  uint64_t startSector = 0;    // first sector, from the start of the source
  uint64_t endSector = 0;      // start + sector count: the first sector after it
  std::string tableName;       // a GPT partition's own name (UTF-8), else empty
};

}  // namespace vantor
