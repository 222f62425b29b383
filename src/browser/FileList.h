// The rows of the Step 4 list for one folder: its subfolders (of the shown file
// system) first, then its files, each in catalog order, with the texts of the
// seven columns. Runs on a worker: it reports progress to the context's host and
// reads the catalog only. Deleted rows are drawn in red.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct BrowserContext;

struct FileListRow {
  std::string name;  // UTF-8
  std::string type;  // "Folder", "Deleted Folder", "File", "Deleted File"
  std::string size;
  std::string modified, created, accessed;
  std::string id;  // the folder's treeItem or the file's fileNumber
  bool deleted = false;
  bool checked = false;
  FolderRecord* folder = nullptr;  // the row's record: exactly one is set
  FileRecord* file = nullptr;
};

// The row of one folder or file.
FileListRow FolderRow(FolderRecord& folder, bool ntfs);
FileListRow FileRow(FileRecord& file, bool ntfs);
// The rows of the folder whose key is `folderKey` (the root key for Root).
std::vector<FileListRow> FillFileList(const BrowserContext& context, uint32_t folderKey);
// The key whose contents the list shows when `item` is chosen in the tree; false
// for an item without a folder of the shown file system.
bool FolderKeyOfItem(const BrowserContext& context, uint64_t item, uint32_t& key);

}  // namespace vantor
