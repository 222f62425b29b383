// The walk is iterative (a chain 500 or 500 000 folders deep costs no stack) and
// linear: children come from an index by parent key built in one pass.
//
// A damaged volume can give a folder chain that loops back on itself (a folder
// whose key is that of one of its ancestors, the root included). Such a folder is
// shown where it is first met, but not opened: its children would be its
// ancestors' again. Every record is also placed at most once, so the tree never
// has more nodes than the catalog has folders.
#include "browser/BuildFolderTree.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "browser/BrowserContext.h"

namespace vantor {
namespace {

struct Frame {
  uint64_t item;
  const std::vector<FolderRecord*>* children;
  size_t next = 0;
};

void IndexCatalog(const BrowserContext& context) {
  FolderTree& tree = context.folderTree;
  for (FolderRecord& folder : context.catalog.folders()) {
    folder.treeItem = 0;
    if (folder.fileSystemNumber == context.state.selectedFileSystem) tree.IndexFolder(folder);
  }
  for (FileRecord& file : context.catalog.files()) tree.IndexFile(file);
}

}  // namespace

uint32_t RootKey(const RecoveryState& state) { return state.fileSystem() == FileSystemKind::kNtfs ? kNtfsRootKey : kFatRootKey; }

void BuildFolderTree(const BrowserContext& context) {
  FolderTree& tree = context.folderTree;
  WorkerHost& host = context.host;
  tree.Reset(RootKey(context.state));
  IndexCatalog(context);
  if (context.catalog.folders().empty()) return;
  host.setProgressRange(100);
  const uint64_t found = std::max<uint64_t>(context.catalog.directoriesFound, 1);
  uint64_t placed = 0, shown = 0;
  std::unordered_map<uint32_t, int> onPath = {{tree.rootKey(), 1}};
  std::vector<Frame> stack = {{kRootItem, &tree.FoldersOf(tree.rootKey())}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.children->size()) {
      --onPath[tree.node(top.item)->key];
      stack.pop_back();
      continue;
    }
    FolderRecord& folder = *(*top.children)[top.next++];
    if (folder.treeItem != 0) continue;
    folder.treeItem = tree.Insert(top.item, folder, TreeLabel(folder.name));
    uint64_t percent = std::min<uint64_t>(100, 100 * ++placed / found);
    if (percent != shown) host.setProgress(shown = percent);
    // A FAT folder entry without a first cluster holds nothing.
    if (folder.ownKey == kFatRootKey && tree.rootKey() == kFatRootKey) continue;
    if (onPath[folder.ownKey] > 0) {
      host.trace("folder chain loops back at " + folder.name.utf8() + ": shown, not opened");
      continue;
    }
    ++onPath[folder.ownKey];
    stack.push_back({folder.treeItem, &tree.FoldersOf(folder.ownKey)});
  }
}

}  // namespace vantor
