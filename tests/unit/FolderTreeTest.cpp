#include <gtest/gtest.h>

#include <algorithm>

#include "browser/BuildFolderTree.h"
#include "browser/FileList.h"
#include "browser/Rename.h"
#include "browser/Selection.h"
#include "session/Session.h"

namespace vantor {
namespace {

void Folder(Session& s, const std::string& name, uint32_t parent, uint32_t own, int16_t fs = 0) {
  s.catalog.AddFolder({.shortName = name, .parentKey = parent, .ownKey = own, .fileSystemNumber = fs});
}
void File(Session& s, const std::string& name, uint32_t parent) {
  s.catalog.AddFile({.shortName = name, .size = 10, .parentKey = parent});
}

Session& FatSession(Session& s) {
  s.state.fileSystemName = u"FAT32";
  return s;
}

TEST(FolderTreeTest, BuildsDepthFirstInCatalogOrderWithStableIds) {
  Session s;
  FatSession(s);
  Folder(s, "A", 0, 10);
  Folder(s, "C", 0, 30);
  Folder(s, "B", 10, 20);
  Folder(s, "OTHER", 0, 40, 1);  // another file system: not shown
  BuildFolderTree(s);
  const FolderTree& tree = s.folderTree;
  ASSERT_EQ(tree.size(), 4u);
  const TreeNode& root = *tree.node(kRootItem);
  EXPECT_EQ(root.label, u"Root");
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(tree.node(root.children[0])->label, u"A");
  EXPECT_EQ(tree.node(root.children[1])->label, u"C");
  auto& folders = s.catalog.folders();
  EXPECT_EQ(folders[0].treeItem, 2u);  // A, then its child B, then C
  EXPECT_EQ(folders[2].treeItem, 3u);
  EXPECT_EQ(folders[1].treeItem, 4u);
  EXPECT_EQ(folders[3].treeItem, 0u);
  EXPECT_EQ(TreePath(tree, 3), "A/B");
  EXPECT_EQ(TreePath(tree, kRootItem), "");
  EXPECT_EQ(tree.node(99), nullptr);
}

TEST(FolderTreeTest, LoopingChainsEndAndDeepChainsNeedNoStack) {
  Session s;
  FatSession(s);
  Folder(s, "X", 0, 7);
  Folder(s, "BACK", 7, 0);  // names the root's key: a loop back to Root
  Folder(s, "P", 9, 8);     // P and Q name each other; neither is reached
  Folder(s, "Q", 8, 9);
  Folder(s, "Y", 0, 11);
  const uint32_t depth = 500;
  for (uint32_t i = 0; i < depth; ++i) Folder(s, "d", i == 0 ? 0 : 1000 + i - 1, 1000 + i);
  Folder(s, "SELF", 1000 + depth - 1, 0);  // the root's key again, at the bottom
  BuildFolderTree(s);
  const FolderTree& tree = s.folderTree;
  const TreeNode& root = *tree.node(kRootItem);
  ASSERT_EQ(root.children.size(), 3u);  // X, Y and the chain; BACK does not pull them under X
  const TreeNode& x = *tree.node(root.children[0]);
  ASSERT_EQ(x.children.size(), 1u);
  EXPECT_TRUE(tree.node(x.children[0])->children.empty());
  EXPECT_EQ(s.catalog.folders()[2].treeItem, 0u);
  // The chain: 500 levels, the last of which holds SELF without opening it.
  uint64_t item = root.children[2];
  size_t levels = 1;
  while (!tree.node(item)->children.empty() && tree.node(item)->label == u"d") {
    item = tree.node(item)->children[0];
    ++levels;
  }
  EXPECT_EQ(levels, depth + 1);
  EXPECT_EQ(tree.node(item)->label, u"SELF");
  EXPECT_TRUE(tree.node(item)->children.empty());
  EXPECT_EQ(tree.size(), 1 + 3 + 500 + 1u);
}

TEST(FolderTreeTest, AHundredThousandFoldersListedBeforeTheirParentsAreAllPlaced) {
  Session s;
  FatSession(s);
  // Children first, parents last, as a scan that meets subfolders before their
  // parents' entries lists them: 1000 parents of 100 folders, one file each.
  for (uint32_t i = 0; i < 100000; ++i) Folder(s, "f", 200000 + i / 100, 100 + i);
  for (uint32_t p = 0; p < 1000; ++p) Folder(s, "p", 0, 200000 + p);
  for (uint32_t i = 0; i < 100000; ++i) File(s, "x", 100 + i);
  BuildFolderTree(s);
  const FolderTree& tree = s.folderTree;
  ASSERT_EQ(tree.size(), 1 + 101000u);
  // Depth first in catalog order: parent p is node 2 + 101 p, its child j the
  // node after it plus j, and each node under the node it belongs to.
  const auto& folders = s.catalog.folders();
  size_t misplaced = 0;
  for (uint32_t i = 0; i < 100000; ++i) {
    const uint64_t parent = 2 + 101 * (i / 100), item = parent + 1 + i % 100;
    const TreeNode* node = tree.node(item);
    misplaced += folders[i].treeItem != item || node == nullptr || node->parent != parent || node->key != 100 + i;
  }
  for (uint32_t p = 0; p < 1000; ++p) {
    const TreeNode* node = tree.node(2 + 101 * p);
    misplaced +=
        folders[100000 + p].treeItem != 2 + 101 * p || node->parent != kRootItem || node->children.size() != 100;
  }
  EXPECT_EQ(misplaced, 0u);
  EXPECT_EQ(tree.node(kRootItem)->children.size(), 1000u);
  CheckItem(s, kRootItem, true);
  const auto& files = s.catalog.files();
  EXPECT_TRUE(std::all_of(files.begin(), files.end(), [](const FileRecord& f) { return f.selected == 'y'; }));
  EXPECT_EQ(tree.FilesOf(100).size(), 1u);
  EXPECT_EQ(tree.FilesOf(100099).size(), 1u);
}

TEST(FolderTreeTest, NtfsRootRecordAndLostFolders) {
  Session s;
  s.state.fileSystemName = u"NTFS";
  Folder(s, ".", 5, 5);  // the root's own record: shown, not opened
  Folder(s, "Lost", 5, LostKey);
  Folder(s, "docs", 5, 40);
  Folder(s, "orphan", LostKey, 41);
  BuildFolderTree(s);
  const FolderTree& tree = s.folderTree;
  const TreeNode& root = *tree.node(kRootItem);
  ASSERT_EQ(root.children.size(), 3u);
  EXPECT_TRUE(tree.node(root.children[0])->children.empty());
  EXPECT_EQ(TreePath(tree, tree.node(root.children[1])->children.at(0)), "Lost/orphan");
}

TEST(FolderTreeTest, LabelsAreCutToOneHundredUnitsWithoutSplittingAPair) {
  NameArena names;
  EXPECT_EQ(TreeLabel(names.Store({}, std::u16string(99, u'a') + u"\xD83D\xDE00" + u"tail")), std::u16string(99, u'a'));
  EXPECT_EQ(TreeLabel(names.Store({}, std::u16string(150, u'b'))).size(), 100u);
}

TEST(FolderTreeTest, CheckingSelectsSubtreeAndTheirFilesRootInBulk) {
  Session s;
  FatSession(s);
  Folder(s, "A", 0, 10);
  Folder(s, "B", 10, 20);
  Folder(s, "B2", 10, 21);
  Folder(s, "C", 0, 30);
  File(s, "root.txt", 0);
  File(s, "a.txt", 10);
  File(s, "b.txt", 20);
  File(s, "b2.txt", 21);
  File(s, "c.txt", 30);
  BuildFolderTree(s);
  auto& files = s.catalog.files();
  auto& folders = s.catalog.folders();
  CheckItem(s, folders[0].treeItem, true);
  for (size_t i : {0, 1, 2}) EXPECT_EQ(folders[i].selected, 'y') << i;
  EXPECT_EQ(folders[3].selected, 'n');
  std::string flags;
  for (auto& f : files) flags += f.selected;
  EXPECT_EQ(flags, "nyyyn");
  EXPECT_TRUE(s.folderTree.node(folders[1].treeItem)->checked);
  EXPECT_TRUE(s.folderTree.node(folders[1].treeItem)->bold);
  EXPECT_FALSE(s.folderTree.node(kRootItem)->checked);
  CheckItem(s, folders[1].treeItem, false);
  EXPECT_EQ(files[2].selected, 'n');
  EXPECT_EQ(files[1].selected, 'y');
  EXPECT_FALSE(s.folderTree.node(folders[1].treeItem)->bold);
  CheckItem(s, kRootItem, true);
  for (auto& f : files) EXPECT_EQ(f.selected, 'y');
  for (auto& f : folders) EXPECT_EQ(f.selected, 'y');
  CheckItem(s, kRootItem, false);
  for (auto& f : files) EXPECT_EQ(f.selected, 'n');
  EXPECT_FALSE(s.folderTree.node(folders[2].treeItem)->checked);
  ShowPathChecked(s, folders[1].treeItem);
  EXPECT_TRUE(s.folderTree.node(kRootItem)->checked);
  EXPECT_EQ(folders[0].selected, 'n');
}

TEST(FolderTreeTest, RenameChangesRecordAndLabel) {
  Session s;
  FatSession(s);
  Folder(s, "OLD", 0, 10);
  File(s, "F.TXT", 10);
  BuildFolderTree(s);
  uint64_t item = s.catalog.folders()[0].treeItem;
  EXPECT_TRUE(RenameFolder(s, item, "Neu"));
  EXPECT_EQ(s.catalog.folders()[0].name.shortName(), "Neu");
  EXPECT_EQ(s.folderTree.node(item)->label, u"Neu");
  EXPECT_TRUE(RenameFolder(s, item, "\xD0\x96urnal"));  // not 8-bit: becomes the UTF-16 name
  EXPECT_EQ(s.catalog.folders()[0].name.longName(), u"\x0416urnal");
  EXPECT_TRUE(s.catalog.folders()[0].name.shortName().empty());
  EXPECT_TRUE(RenameFile(s, 0, "g.txt"));
  EXPECT_EQ(s.catalog.files()[0].name.utf8(), "g.txt");
  EXPECT_FALSE(RenameFile(s, 5, "x"));
  EXPECT_FALSE(RenameFolder(s, kRootItem, "x"));
}

TEST(FolderTreeTest, ListRowsFoldersFirstWithTheirTexts) {
  Session s;
  FatSession(s);
  const uint32_t date = (32 << 9) | (3 << 5) | 5, time = (9 << 11) | (5 << 5) | 1;  // 05-Mar-2012 09:05
  s.catalog.AddFile({.shortName = "a.txt", .size = 1234, .parentKey = 10, .times = {{date, time}, {date, time}, {0, 0}}});
  s.catalog.AddFolder({.shortName = "GONE", .deleted = 'y', .parentKey = 10, .ownKey = 20, .times = {{date, time}, {}, {}}});
  s.catalog.AddFolder({.shortName = "A", .ownKey = 10});
  s.catalog.AddFile({.longName = u"\x00e9t\x00e9.doc", .deleted = 'y', .size = (uint64_t{1} << 32) | 5, .parentKey = 10});
  BuildFolderTree(s);
  CheckItem(s, s.catalog.folders()[0].treeItem, true);  // GONE
  uint32_t key = 0;
  ASSERT_TRUE(FolderKeyOfItem(s, s.catalog.folders()[1].treeItem, key));
  EXPECT_EQ(key, 10u);
  auto rows = FillFileList(s, key);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "GONE");
  EXPECT_EQ(rows[0].type, "Deleted Folder");
  EXPECT_EQ(rows[0].size, "0");
  EXPECT_EQ(rows[0].id, std::to_string(s.catalog.folders()[0].treeItem));
  EXPECT_EQ(rows[0].modified, "05-Mar-2012 09:05");
  EXPECT_TRUE(rows[0].deleted && rows[0].checked);
  EXPECT_EQ(rows[1].type, "File");
  EXPECT_EQ(rows[1].size, "1234");
  EXPECT_EQ(rows[1].id, "0");
  EXPECT_EQ(rows[2].name, "\xC3\xA9t\xC3\xA9.doc");
  EXPECT_EQ(rows[2].type, "Deleted File");
  EXPECT_EQ(rows[2].size, "4294967301");
  EXPECT_EQ(rows[2].file, &s.catalog.files()[1]);
  EXPECT_TRUE(FillFileList(s, 99).empty());
}

}  // namespace
}  // namespace vantor
