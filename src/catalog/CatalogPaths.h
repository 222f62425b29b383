// Paths of catalog records under "Root", built from the parent keys.
//
// Each folder's path is its parent's path and its name; the parent is the first
// folder of the file system with that key, as the browser would find it. A
// damaged volume can make parent keys form a loop, and a parent can be missing:
// in both cases the path starts at the last folder that was found, so every
// path ends. Folder paths are remembered, so a catalog of n records costs n
// steps plus one per folder.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

class CatalogPaths {
 public:
  CatalogPaths(const RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber);

  // The path of the folder or file at this position, names joined by "/" (UTF-8).
  const std::string& FolderPath(size_t index);
  std::string FilePath(size_t index);

 private:
  // The position of the folder with this key, or -1 (also for the root key).
  int64_t ParentIndex(uint32_t parentKey) const;

  const RecoveryCatalog& catalog_;
  uint32_t rootKey_;
  std::unordered_map<uint32_t, size_t> byKey_;
  std::vector<std::string> paths_;
  std::vector<uint8_t> done_;
};

}  // namespace vantor
