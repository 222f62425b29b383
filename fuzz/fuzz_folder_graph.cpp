// Fuzzes the parent graph of a catalog, as a damaged NTFS volume or a saved
// state gives it: folders that are their own parent, rings of any length,
// missing parents, a "Lost" folder of its own, records of another file system.
// After the orphans and rings are hung under "Lost", every folder and file of
// the file system reaches the root, and every path ends.
#include <cstddef>
#include <cstdint>

#include "catalog/CatalogPaths.h"
#include "catalog/LostRecords.h"
#include "catalog/RecoveryCatalog.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr uint32_t kRoot = vantor::kNtfsRootKey;

// Few keys, so that parents are often found and rings are common; 255 stands
// for "Lost" itself.
uint32_t Key(uint8_t byte) { return byte == 255 ? vantor::LostKey : 1 + byte % 24; }

bool Reaches(vantor::RecoveryCatalog& catalog, uint32_t key) {
  for (size_t steps = 0; steps <= catalog.folders().size(); ++steps) {
    if (key == kRoot) return true;
    const vantor::FolderRecord* folder = catalog.FindFolder(key, 0);
    if (folder == nullptr) return false;
    key = folder->parentKey;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 3 * 400) return 0;
  vantor::RecoveryCatalog catalog;
  for (size_t at = 0; at + 3 <= size; at += 3) {
    const uint8_t kind = data[at];
    const uint32_t own = Key(data[at + 1]), parent = Key(data[at + 2]);
    const auto fileSystem = static_cast<int16_t>(kind & 1);
    if ((kind & 2) != 0)
      catalog.AddFolder({.shortName = "F", .parentKey = parent, .ownKey = own, .fileSystemNumber = fileSystem});
    else
      catalog.AddFile({.shortName = "f", .parentKey = parent, .ownKey = own});
  }
  Require(vantor::HangOrphansUnderLost(catalog, kRoot, 0));
  for (const vantor::FolderRecord& folder : catalog.folders())
    if (folder.fileSystemNumber == 0) Require(Reaches(catalog, folder.ownKey));
  for (const vantor::FileRecord& file : catalog.files()) Require(Reaches(catalog, file.parentKey));
  vantor::CatalogPaths paths(catalog, kRoot, 0);
  for (size_t i = 0; i < catalog.folders().size(); ++i) Require(paths.FolderPath(i).size() <= 5 * (catalog.folders().size() + 1));
  for (size_t i = 0; i < catalog.files().size(); ++i) paths.FilePath(i);
  return 0;
}
