#include "browser/FileList.h"

#include <algorithm>

#include "browser/BrowserContext.h"
#include "browser/FolderTree.h"
#include "catalog/DateText.h"

namespace vantor {
namespace {

std::string Date(const RecordTime& time, bool ntfs) { return ntfs ? NtfsDateText(time) : FatDateText(time); }

template <typename Record>
void FillCommon(FileListRow& row, Record& record, bool ntfs) {
  row.name = record.name.utf8();
  row.modified = Date(record.modified, ntfs);
  row.created = Date(record.created, ntfs);
  row.accessed = Date(record.accessed, ntfs);
  row.deleted = record.deleted == 'y';
  row.checked = record.selected == 'y';
}

}  // namespace

FileListRow FolderRow(FolderRecord& folder, bool ntfs) {
  FileListRow row;
  FillCommon(row, folder, ntfs);
  row.type = row.deleted ? "Deleted Folder" : "Folder";
  row.size = "0";
  row.id = std::to_string(folder.treeItem);
  row.folder = &folder;
  return row;
}

FileListRow FileRow(FileRecord& file, bool ntfs) {
  FileListRow row;
  FillCommon(row, file, ntfs);
  row.type = row.deleted ? "Deleted File" : "File";
  row.size = std::to_string(file.size());
  row.id = std::to_string(file.fileNumber);
  row.file = &file;
  return row;
}

std::vector<FileListRow> FillFileList(const BrowserContext& context, uint32_t folderKey) {
  const FolderTree& tree = context.folderTree;
  const bool ntfs = context.state.fileSystem() == FileSystemKind::kNtfs;
  const auto& folders = tree.FoldersOf(folderKey);
  const auto& files = tree.FilesOf(folderKey);
  WorkerHost& host = context.host;
  host.setProgressRange(100);
  const uint64_t total = std::max<uint64_t>(folders.size() + files.size(), 1);
  std::vector<FileListRow> rows;
  rows.reserve(folders.size() + files.size());
  for (FolderRecord* folder : folders) {
    rows.push_back(FolderRow(*folder, ntfs));
    host.setProgress(100 * rows.size() / total);
  }
  for (FileRecord* file : files) {
    rows.push_back(FileRow(*file, ntfs));
    host.setProgress(100 * rows.size() / total);
  }
  return rows;
}

bool FolderKeyOfItem(const BrowserContext& context, uint64_t item, uint32_t& key) {
  const TreeNode* node = context.folderTree.node(item);
  if (node == nullptr) return false;
  if (node->folder != nullptr && node->folder->fileSystemNumber != context.state.selectedFileSystem) return false;
  key = node->key;
  return true;
}

}  // namespace vantor
