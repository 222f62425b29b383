#include "save/SavedFolders.h"

#include "save/FileFilter.h"
#include "save/SafeName.h"
#include "save/SaveContext.h"

namespace vantor {
namespace {

// For mode 0: whether each node (by id) is checked or has a checked node below.
// Children have larger ids than their parent, so one backward pass suffices.
std::vector<bool> CheckedOrAbove(const FolderTree& tree) {
  std::vector<bool> reach(tree.size() + 1, false);
  for (uint64_t id = tree.size(); id >= kRootItem; --id) {
    const TreeNode& node = *tree.node(id);
    reach[id] = reach[id] || node.checked;
    if (reach[id] && node.parent != 0) reach[node.parent] = true;
  }
  return reach;
}

const std::vector<FileRecord*>& FilesOfFolder(const SaveContext& context, const TreeNode& node) {
  static const std::vector<FileRecord*> kNone;
  const FolderRecord* folder = node.folder;
  if (folder == nullptr) return context.folderTree.FilesOf(node.key);
  if (folder->fileSystemNumber != context.state.selectedFileSystem || folder->ownKey == 0) return kNone;
  return context.folderTree.FilesOf(folder->ownKey);
}

struct Frame {
  uint64_t item;
  size_t parentLength;  // of the walk's path, before this folder's name
  size_t next = 0;
};

}  // namespace

bool IsNtfs(const SaveContext& context) { return context.state.fileSystem() == FileSystemKind::kNtfs; }

void WalkSavedFolders(const SaveContext& context, const FolderVisit& visit, const FolderLeave& leave) {
  const FolderTree& tree = context.folderTree;
  if (tree.empty()) return;
  const int32_t mode = context.savingFilter.selectionMode;
  std::vector<bool> reach = mode == kSaveSelected ? CheckedOrAbove(tree) : std::vector<bool>();
  const bool systemOut = context.savingFilter.leaveOutSystemFiles && IsNtfs(context);
  const auto takesPart = [&](const TreeNode& node) {
    if (systemOut && node.folder != nullptr && IsNtfsSystemRecord(node.folder->ownKey)) return false;
    if (mode == kSaveAll) return true;
    return mode == kInvertSelection ? !node.checked : static_cast<bool>(reach[node.id]);
  };
  const TreeNode& root = *tree.node(kRootItem);
  if (mode == kSaveSelected && !reach[kRootItem]) return;
  visit("", FilesOfFolder(context, root), nullptr);
  std::string path;
  std::vector<Frame> stack = {{kRootItem, 0}};
  const auto pop = [&] {
    if (stack.size() > 1 && leave) leave(path);
    path.resize(stack.back().parentLength);
    stack.pop_back();
  };
  while (!stack.empty() && context.savingRun.abortAll == 0) {
    Frame& top = stack.back();
    const TreeNode& parent = *tree.node(top.item);
    if (top.next == parent.children.size()) {
      pop();
      continue;
    }
    const TreeNode& child = *tree.node(parent.children[top.next++]);
    if (!takesPart(child)) continue;
    auto given = visit((path.empty() ? "" : path + "/") + SafeName(child.label), FilesOfFolder(context, child),
                       child.folder);
    if (!given) continue;
    stack.push_back({child.id, path.size()});
    path = std::move(*given);
  }
  while (!stack.empty()) pop();
}

}  // namespace vantor
