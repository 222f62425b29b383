#include "catalog/CatalogPaths.h"

namespace vantor {
namespace {

void Join(std::string& path, const std::string& name) {
  if (!path.empty()) path += '/';
  path += name;
}

}  // namespace

CatalogPaths::CatalogPaths(const RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber)
    : catalog_(catalog), rootKey_(rootKey), seenOnWalk_(catalog.folders().size(), 0) {
  const auto& folders = catalog.folders();
  for (size_t i = 0; i < folders.size(); ++i)
    if (folders[i].fileSystemNumber == fileSystemNumber) byKey_.emplace(folders[i].ownKey, i);
}

int64_t CatalogPaths::ParentIndex(uint32_t parentKey) const {
  if (parentKey == rootKey_) return -1;
  auto found = byKey_.find(parentKey);
  return found == byKey_.end() ? -1 : static_cast<int64_t>(found->second);
}

std::string CatalogPaths::FolderPath(size_t index) {
  const auto& folders = catalog_.folders();
  const auto at = static_cast<int64_t>(index);
  if (at == lastFolder_) return lastPath_;
  const int64_t parent = ParentIndex(folders[index].parentKey);
  // Below the last folder, unless already on its way (a loop).
  if (parent >= 0 && parent == lastFolder_ && seenOnWalk_[index] != walk_) {
    seenOnWalk_[index] = walk_;
    Join(lastPath_, folders[index].name.utf8());
    lastFolder_ = at;
    return lastPath_;
  }
  // Up to the root, a missing parent or a folder already on this walk (a loop);
  // then the names from the top down.
  ++walk_;
  std::vector<size_t> chain;
  for (int64_t up = at; up >= 0 && seenOnWalk_[static_cast<size_t>(up)] != walk_;
       up = ParentIndex(folders[static_cast<size_t>(up)].parentKey)) {
    seenOnWalk_[static_cast<size_t>(up)] = walk_;
    chain.push_back(static_cast<size_t>(up));
  }
  lastPath_.clear();
  for (size_t k = chain.size(); k-- > 0;) Join(lastPath_, folders[chain[k]].name.utf8());
  lastFolder_ = at;
  return lastPath_;
}

std::string CatalogPaths::FilePath(size_t index) {
  const FileRecord& file = catalog_.files()[index];
  const int64_t parent = ParentIndex(file.parentKey);
  std::string path = parent >= 0 ? FolderPath(static_cast<size_t>(parent)) : std::string();
  Join(path, file.name.utf8());
  return path;
}

}  // namespace vantor
