// Building the Step 4 tree from the catalog (on a worker: it reports progress to
// the context's host and touches nothing but the tree and each folder's treeItem).
#pragma once

#include <cstdint>

#include "core/RecoveryState.h"

namespace vantor {

struct BrowserContext;

// The key the tree's Root stands for: 5 on NTFS, 0 on FAT12/16/32.
uint32_t RootKey(const RecoveryState& state);

// Rebuilds the context's tree: Root, then the folders of `selectedFileSystem`
// under their parents, in catalog order, depth first.
void BuildFolderTree(const BrowserContext& context);

}  // namespace vantor
