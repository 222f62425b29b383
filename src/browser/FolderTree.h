// The Step 4 folder tree as an engine-side model: "Root" and one node per catalog
// folder of the shown file system, with the check and bold state that the tree
// control shows. The GUI draws it; the saver walks it.
//
// Nodes are numbered from 1 (Root) in the order they were placed, which is a
// depth-first walk in catalog order; the number is the folder's `treeItem` and
// never changes while the tree lives. Children keep their order. A node points at
// its catalog folder (records never move), so no lookup by `treeItem` is needed.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

inline constexpr uint64_t kRootItem = 1;
inline constexpr size_t kTreeLabelUnits = 100;

struct TreeNode {
  uint64_t id = 0;
  uint64_t parent = 0;  // 0 for Root
  std::vector<uint64_t> children;
  std::u16string label;
  FolderRecord* folder = nullptr;  // null for Root
  uint32_t key = 0;                // the folder's ownKey; the root key for Root
  bool checked = false;
  bool bold = false;
};

class FolderTree {
 public:
  // Empties the tree and inserts Root for `rootKey`.
  void Reset(uint32_t rootKey);
  // Appends a node for `folder` under `parent`; returns its id.
  uint64_t Insert(uint64_t parent, FolderRecord& folder, std::u16string label);

  bool empty() const { return nodes_.empty(); }
  size_t size() const { return nodes_.size(); }
  uint32_t rootKey() const { return nodes_.empty() ? 0 : nodes_.front().key; }
  // The node of `id`, or null for an id this tree does not have.
  TreeNode* node(uint64_t id) { return Has(id) ? &nodes_[id - 1] : nullptr; }
  const TreeNode* node(uint64_t id) const { return Has(id) ? &nodes_[id - 1] : nullptr; }

  // The folders of the shown file system and the files (of any file system) by
  // parent key, in catalog order: the list and the saver use these instead of a
  // walk of the whole catalog per folder.
  const std::vector<FolderRecord*>& FoldersOf(uint32_t key) const { return Find(foldersByParent_, key); }
  const std::vector<FileRecord*>& FilesOf(uint32_t key) const { return Find(filesByParent_, key); }
  void IndexFolder(FolderRecord& folder) { foldersByParent_[folder.parentKey].push_back(&folder); }
  void IndexFile(FileRecord& file) { filesByParent_[file.parentKey].push_back(&file); }

 private:
  template <typename Record>
  using Index = std::unordered_map<uint32_t, std::vector<Record*>>;
  template <typename Record>
  static const std::vector<Record*>& Find(const Index<Record>& index, uint32_t key) {
    static const std::vector<Record*> kNone;
    auto found = index.find(key);
    return found == index.end() ? kNone : found->second;
  }
  bool Has(uint64_t id) const { return id >= 1 && id <= nodes_.size(); }

  std::vector<TreeNode> nodes_;
  Index<FolderRecord> foldersByParent_;
  Index<FileRecord> filesByParent_;
};

// The labels from below Root down to `item` (empty for Root).
std::vector<std::u16string> TreePathLabels(const FolderTree& tree, uint64_t item);
// The same joined by "/", in UTF-8, as the scan lists paths under Root.
std::string TreePath(const FolderTree& tree, uint64_t item);
// A label of at most 100 UTF-16 units, never splitting a surrogate pair.
std::u16string TreeLabel(const RecordName& name);

}  // namespace vantor
