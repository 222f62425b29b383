// The saving worker's walk: every folder that takes part is recreated under the
// destination by its tree path (Root's files go straight into the destination),
// and its files that pass the filter are written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct SaveContext;

// Saves from the tree's top item (the only start the saver uses).
void SaveTree(const SaveContext& context);
// Saves `files` (one folder's) into `folder`, which ends in "/".
void SaveFolderFiles(const SaveContext& context, const std::string& folder, const std::vector<FileRecord*>& files);
// Writes one catalog file to `path` by the engine of the volume; true when written.
bool SaveCatalogFile(const SaveContext& context, const std::string& path, const FileRecord& file, bool interactive);

}  // namespace vantor
