#include "browser/FolderTree.h"

#include "platform/Utf.h"

namespace vantor {

void FolderTree::Reset(uint32_t rootKey) {
  nodes_.clear();
  foldersByParent_.clear();
  filesByParent_.clear();
  TreeNode root;
  root.id = kRootItem;
  root.label = u"Root";
  root.key = rootKey;
  nodes_.push_back(std::move(root));
}

uint64_t FolderTree::Insert(uint64_t parent, FolderRecord& folder, std::u16string label) {
  TreeNode added;
  added.id = nodes_.size() + 1;
  added.parent = parent;
  added.label = std::move(label);
  added.folder = &folder;
  added.key = folder.ownKey;
  nodes_.push_back(std::move(added));
  nodes_[parent - 1].children.push_back(nodes_.back().id);
  return nodes_.back().id;
}

std::vector<std::u16string> TreePathLabels(const FolderTree& tree, uint64_t item) {
  std::vector<std::u16string> labels;
  for (const TreeNode* n = tree.node(item); n != nullptr && n->id != kRootItem; n = tree.node(n->parent))
    labels.push_back(n->label);
  return {labels.rbegin(), labels.rend()};
}

std::string TreePath(const FolderTree& tree, uint64_t item) {
  std::string path;
  for (const auto& label : TreePathLabels(tree, item)) path += (path.empty() ? "" : "/") + Utf16ToUtf8(label);
  return path;
}

std::u16string TreeLabel(const RecordName& name) {
  std::u16string label = name.utf16();
  if (label.size() <= kTreeLabelUnits) return label;
  size_t cut = kTreeLabelUnits;
  if (label[cut - 1] >= 0xD800 && label[cut - 1] <= 0xDBFF) --cut;
  return label.substr(0, cut);
}

}  // namespace vantor
