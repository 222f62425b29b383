#include "catalog/CatalogPaths.h"

namespace vantor {
namespace {

constexpr uint8_t kUnknown = 0, kOnChain = 1, kDone = 2;

std::string Joined(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

}  // namespace

CatalogPaths::CatalogPaths(const RecoveryCatalog& catalog, uint32_t rootKey, int16_t fileSystemNumber)
    : catalog_(catalog), rootKey_(rootKey), paths_(catalog.folders().size()), done_(catalog.folders().size(), kUnknown) {
  const auto& folders = catalog.folders();
  for (size_t i = 0; i < folders.size(); ++i)
    if (folders[i].fileSystemNumber == fileSystemNumber) byKey_.emplace(folders[i].ownKey, i);
}

int64_t CatalogPaths::ParentIndex(uint32_t parentKey) const {
  if (parentKey == rootKey_) return -1;
  auto found = byKey_.find(parentKey);
  return found == byKey_.end() ? -1 : static_cast<int64_t>(found->second);
}

const std::string& CatalogPaths::FolderPath(size_t index) {
  // Walk up to a folder whose path is known, the root, a missing parent or a
  // folder already on this walk (a loop); then fill the paths on the way down.
  std::vector<size_t> chain;
  int64_t at = static_cast<int64_t>(index);
  while (at >= 0 && done_[static_cast<size_t>(at)] == kUnknown) {
    done_[static_cast<size_t>(at)] = kOnChain;
    chain.push_back(static_cast<size_t>(at));
    at = ParentIndex(catalog_.folders()[static_cast<size_t>(at)].parentKey);
  }
  std::string base = at >= 0 && done_[static_cast<size_t>(at)] == kDone ? paths_[static_cast<size_t>(at)] : std::string();
  for (size_t k = chain.size(); k-- > 0;) {
    size_t folder = chain[k];
    paths_[folder] = Joined(base, catalog_.folders()[folder].name.utf8());
    done_[folder] = kDone;
    base = paths_[folder];
  }
  return paths_[index];
}

std::string CatalogPaths::FilePath(size_t index) {
  const FileRecord& file = catalog_.files()[index];
  int64_t parent = ParentIndex(file.parentKey);
  return Joined(parent >= 0 ? FolderPath(static_cast<size_t>(parent)) : std::string(), file.name.utf8());
}

}  // namespace vantor
