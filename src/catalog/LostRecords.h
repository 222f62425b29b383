// Records whose parent folder is not in the catalog: a deleted file whose folder
// record now holds another file, a folder whose parent was overwritten. The
// listing would show them at the root while the browser and the saver, which
// walk down from the root, would never reach them; hung under the pseudo-folder
// "Lost" they are shown and saved in the same place by all three.
#pragma once

#include <cstdint>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

// Gives every folder of file system `fileSystemNumber` and every file whose
// parent key names no folder of it (nor the root) the parent LostKey, and adds
// "Lost" under the root when any record was moved. False only when memory ran
// out.
bool HangOrphansUnderLost(RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber);

}  // namespace vantor
