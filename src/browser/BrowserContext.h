// What the Step 4 browser works with: the catalog, the tree built over it, the
// chosen volume (selectedFileSystem, fileSystemName) and the host.
#pragma once

#include "browser/FolderTree.h"
#include "catalog/RecoveryCatalog.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"

namespace vantor {

struct BrowserContext {
  const RecoveryState& state;
  RecoveryCatalog& catalog;
  FolderTree& folderTree;
  WorkerHost& host;
};

}  // namespace vantor
