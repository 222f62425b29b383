#include "browser/Selection.h"

#include <algorithm>
#include <vector>

#include "browser/BrowserContext.h"

namespace vantor {
namespace {

void SetNode(TreeNode& node, bool check) {
  node.checked = check;
  node.bold = check;
}

void SelectAll(const BrowserContext& context, bool check) {
  const char flag = check ? 'y' : 'n';
  for (FolderRecord& folder : context.catalog.folders())
    if (folder.fileSystemNumber == context.state.selectedFileSystem) folder.selected = flag;
  for (FileRecord& file : context.catalog.files()) file.selected = flag;
}

}  // namespace

std::unordered_set<uint32_t> CheckSubtree(const BrowserContext& context, uint64_t item, bool check) {
  FolderTree& tree = context.folderTree;
  std::unordered_set<uint32_t> keys;
  if (tree.node(item) == nullptr) return keys;
  std::vector<uint64_t> pending = {item};
  while (!pending.empty()) {
    TreeNode& node = *tree.node(pending.back());
    pending.pop_back();
    SetNode(node, check);
    pending.insert(pending.end(), node.children.rbegin(), node.children.rend());
    if (node.folder == nullptr) continue;
    node.folder->selected = check ? 'y' : 'n';
    // A node that carries the root key is a loop back to Root: its files are
    // Root's and were not ticked.
    if (node.key != tree.rootKey()) keys.insert(node.key);
  }
  if (item == kRootItem) {
    SelectAll(context, check);
    keys.clear();
  }
  return keys;
}

void SelectionPass(const BrowserContext& context, const std::unordered_set<uint32_t>& keys, bool select) {
  WorkerHost& host = context.host;
  auto& files = context.catalog.files();
  const uint64_t total = std::max<uint64_t>(context.catalog.filesFound, 1);
  host.setProgressRange(100);
  uint64_t looked = 0, shown = 0;
  for (FileRecord& file : files) {
    if (keys.count(file.parentKey) != 0) file.selected = select ? 'y' : 'n';
    uint64_t percent = std::min<uint64_t>(100, 100 * ++looked / total);
    if (percent != shown) host.setProgress(shown = percent);
  }
}

void CheckItem(const BrowserContext& context, uint64_t item, bool check) {
  auto keys = CheckSubtree(context, item, check);
  if (!keys.empty()) SelectionPass(context, keys, check);
}

void ShowPathChecked(const BrowserContext& context, uint64_t item) {
  for (TreeNode* node = context.folderTree.node(item); node != nullptr; node = context.folderTree.node(node->parent))
    SetNode(*node, true);
}

}  // namespace vantor
