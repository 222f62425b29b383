// Records that a walk down from the root would never reach: a deleted file whose
// folder record now holds another file, a folder whose parent was overwritten,
// and folders whose parent references form a ring (a folder that names itself
// as its parent, two folders that name each other). The listing would show
// them while the browser and the saver, which walk down from the root, would
// never reach them; hung under the pseudo-folder "Lost" they are shown and
// saved in the same place by all three.
#pragma once

#include <cstdint>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

// Gives the parent LostKey to every folder of file system `fileSystemNumber` and
// every file whose parent key names no folder of it (nor the root), and to one
// folder of every ring of folders that does not reach the root, so that the
// whole ring and what lies below it hang under "Lost". Adds "Lost" under the
// root when any record was moved. Linear in the records. False only when memory
// ran out.
bool HangOrphansUnderLost(RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber);

}  // namespace vantor
