// Paths of catalog records under "Root", built from the parent keys.
//
// Each folder's path is its parent's path and its name; the parent is the first
// folder of the file system with that key, as the browser would find it. A
// damaged volume can make parent keys form a loop, and a parent can be missing:
// in both cases the path starts at the last folder that was found, so every
// path ends. Paths are not kept: a chain of 20 000 nested folders would hold
// the square of its depth in text. Each is put together when asked for, from
// the last one when the record lies in or just below its folder (records come
// folder by folder), else by walking up its parents.
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
  std::string FolderPath(size_t index);
  std::string FilePath(size_t index);

 private:
  // The position of the folder with this key, or -1 (also for the root key).
  int64_t ParentIndex(uint32_t parentKey) const;

  const RecoveryCatalog& catalog_;
  uint32_t rootKey_;
  std::unordered_map<uint32_t, size_t> byKey_;
  // The walk's marks: a folder met again on the same walk closes a loop.
  std::vector<uint64_t> seenOnWalk_;
  uint64_t walk_ = 0;
  int64_t lastFolder_ = -1;
  std::string lastPath_;
};

}  // namespace vantor
