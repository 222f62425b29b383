// Choosing one listed file system as the volume the engines work on, the same
// way for the wizard's Step 2 and the command line: the numbers come from the
// listing itself, 64-bit, never from a text shown to the user.
#pragma once

#include "core/RecoveryState.h"
#include "partition/PartitionEntry.h"

namespace vantor {

enum class VolumeRefusal {
  kNone,
  kUnknownType,  // not FAT12, FAT16, FAT32 or NTFS, and the mode needs one of them
  kEmptyRange,   // the start sector is not below the end sector
};

// Makes `entry` the chosen volume of `state`: its file-system name ("UNKNOWN" for
// another type), start and end sectors and tree text; a lost-partition search
// is not on. `anyType`: disk imaging and raw recovery take a partition of any type.
VolumeRefusal SelectVolume(RecoveryState& state, const PartitionEntry& entry, bool anyType = false);

}  // namespace vantor
