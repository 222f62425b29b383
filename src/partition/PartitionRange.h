// Step 2 (a), "Enter Range to search for more Partitions": the sector range and
// the file system stated by hand, before a lost-partition search, raw recovery
// or disk imaging. Sectors are 64-bit here (a disk of 4 TiB is ordinary); the
// dialog's fields hold less and say so themselves.
#pragma once

#include <string>
#include <vector>

#include "core/RecoveryState.h"

namespace vantor {

struct RangeInput {
  std::string startText;
  std::string endText;
  // As the list names them: "FAT16", "FAT32", "NTFS" or "UNKNOWN"; the command
  // line also takes "FAT12".
  std::string fileSystem;
};

// Next: checks the input in the dialog's order and writes the start sector, the
// end sector and the file-system name into `state` as each check passes.
// Returns the message of the first check that fails ("Start sector is not
// valid.", "End sector is not valid.", "End sector should be bigger than start
// sector.", "Select partition type."), or empty. "UNKNOWN" passes only for raw
// recovery and disk imaging, and leaves the name as it was.
std::string AcceptPartitionRange(RecoveryState& state, const RangeInput& input);

// The activity log lines of the step, under its title "Step 2 (a) :".
std::vector<std::string> PartitionRangeLogLines(const RangeInput& input, const std::string& fileSystemName);

}  // namespace vantor
