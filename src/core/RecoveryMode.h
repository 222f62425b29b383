// What the wizard's Step 1 chose. The values are those the state records and
// files keep.
#pragma once

#include <cstdint>

namespace vantor {

enum class RecoveryMode : int32_t {
  kFileSystem = 0,     // the FAT and NTFS recovery
  kImaging = 6,        // disk imaging
  kRawChosen = 9,      // raw recovery, Step 1 passed
  kRawSearching = 10,  // raw recovery, the file types chosen
};

}  // namespace vantor
