#include "catalog/RecoveryCatalog.h"

#include <gtest/gtest.h>

#include <vector>

#include "catalog/LostRecords.h"

namespace vantor {
namespace {

RecordTimes Stamp(uint32_t date) { return {{date, 1}, {date, 2}, {date, 0}}; }

TEST(CatalogTest, LiveFolderWinsOverDeletedInPlace) {
  RecoveryCatalog catalog;
  catalog.AddFolder({.shortName = "A", .ownKey = 10, .times = Stamp(1)});
  catalog.AddFolder({.shortName = "OLD", .deleted = 'y', .ownKey = 20, .times = Stamp(2)});
  catalog.folders()[1].treeItem = 77;
  catalog.folders()[1].selected = 'y';
  catalog.AddFolder({.longName = u"New name", .parentKey = 10, .ownKey = 20, .times = Stamp(3)});
  ASSERT_EQ(catalog.folders().size(), 2u);
  EXPECT_EQ(catalog.directoriesFound, 2u);
  const FolderRecord& merged = catalog.folders()[1];
  EXPECT_EQ(merged.name.utf8(), "New name");
  EXPECT_FALSE(merged.name.isShort());
  EXPECT_EQ(merged.deleted, 'n');
  EXPECT_EQ(merged.parentKey, 10u);
  EXPECT_EQ(merged.modified.first, 3u);
  EXPECT_EQ(merged.treeItem, 77u);
  EXPECT_EQ(merged.selected, 'n');
  // The other order: a deleted duplicate of a live folder is dropped, also when
  // the live one was added last.
  catalog.AddFolder({.shortName = "GONE", .deleted = 'y', .ownKey = 20, .times = Stamp(4)});
  catalog.AddFolder({.shortName = "AGAIN", .ownKey = 20, .times = Stamp(5)});
  EXPECT_EQ(catalog.folders().size(), 2u);
  EXPECT_EQ(catalog.folders()[1].name.utf8(), "New name");
}

TEST(CatalogTest, KeysAreComparedPerFileSystemAndZeroIsAlwaysAppended) {
  RecoveryCatalog catalog;
  catalog.AddFolder({.shortName = "X", .ownKey = 30, .times = Stamp(1), .fileSystemNumber = 1});
  catalog.AddFolder({.shortName = "X", .ownKey = 30, .times = Stamp(1), .fileSystemNumber = 2});
  catalog.AddFolder({.shortName = "Z1", .times = Stamp(1)});
  catalog.AddFolder({.shortName = "Z2", .times = Stamp(1)});
  catalog.AddFolder({.ownKey = LostKey, .times = Stamp(1)});
  EXPECT_EQ(catalog.folders().size(), 5u);
  EXPECT_EQ(catalog.directoriesFound, 5u);
  EXPECT_FALSE(catalog.folders()[4].name.isShort());
  EXPECT_TRUE(catalog.folders()[4].name.longName().empty());
}

// Names are kept in the arena in one of three forms; each gives back exactly what
// was stored, and a sector number past 2^32 is kept whole.
TEST(CatalogTest, NamesComeBackExactlyFromEveryFormOfTheArena) {
  RecoveryCatalog catalog;
  const std::string oem("\x84NDERN.TXT");                   // an 8-bit short name, not UTF-8
  const std::u16string latin = u"caf\u00e9 men\u00fc.txt";  // a long name that fits a byte per unit
  const std::u16string wide = u"\u0416\xD800 lone surrogate";
  const std::u16string huge(70000, u'\u0100');               // longer than a quarter of a chunk
  catalog.AddFile({.shortName = oem, .recordSector = uint64_t{5} << 32});
  catalog.AddFile({.longName = latin});
  catalog.AddFile({.longName = wide});
  catalog.AddFile({.longName = huge});
  catalog.AddFile({.shortName = "AFTER.TXT"});
  const auto& files = catalog.files();
  EXPECT_TRUE(files[0].name.isShort());
  EXPECT_EQ(files[0].name.shortName(), oem);
  EXPECT_EQ(files[0].name.utf16()[0], u'\u0084');
  EXPECT_EQ(files[0].recordSector, uint64_t{5} << 32);
  EXPECT_EQ(files[1].name.longName(), latin);
  EXPECT_EQ(files[1].name.utf8(), "caf\u00e9 men\u00fc.txt");
  EXPECT_EQ(files[2].name.longName(), wide);
  EXPECT_EQ(files[3].name.longName(), huge);
  EXPECT_EQ(files[4].name.shortName(), "AFTER.TXT");
  RecordName& renamed = catalog.files()[1].name;
  ASSERT_TRUE(catalog.Rename(renamed, {}, wide));
  EXPECT_EQ(catalog.files()[1].name.longName(), wide);
  EXPECT_EQ(files[0].name.shortName(), oem);
}

TEST(CatalogTest, FilesAreNumberedInOrderAndRestartAfterFree) {
  RecoveryCatalog catalog;
  catalog.AddFile({.shortName = "A.TXT", .size = 5, .ownKey = 3, .times = Stamp(1)});
  catalog.AddFile({.longName = u"b.txt", .deleted = 'y', .size = (uint64_t{2} << 32) | 0xFFFFFFFF, .ownKey = 4, .times = Stamp(1)});
  EXPECT_EQ(catalog.files()[1].fileNumber, 1u);
  EXPECT_EQ(catalog.files()[1].size(), 0x2FFFFFFFFull);
  EXPECT_EQ(catalog.filesFound, 2u);
  const FileRecord* first = &catalog.files()[0];
  for (int i = 0; i < 1000; ++i) catalog.AddFile({.shortName = "F", .times = Stamp(1)});
  EXPECT_EQ(first, &catalog.files()[0]);  // records never move
  catalog.FreeCatalog();
  EXPECT_EQ(catalog.filesFound + catalog.directoriesFound, 0u);
  catalog.AddFile({.shortName = "C", .times = Stamp(1)});
  EXPECT_EQ(catalog.files()[0].fileNumber, 0u);
  // After a free, a key seen before is new again.
  catalog.AddFolder({.shortName = "D", .ownKey = 30, .times = Stamp(1)});
  EXPECT_EQ(catalog.folders().size(), 1u);
}

// Records whose parent is no folder of their file system move under "Lost";
// children of found folders, of the root and of another file system's folder
// with the same key stay; "Lost" is added once, and not at all when nothing moved.
TEST(CatalogTest, OrphansHangUnderLostOnce) {
  RecoveryCatalog catalog;
  catalog.AddFolder({.shortName = "KEPT", .parentKey = kNtfsRootKey, .ownKey = 40});
  catalog.AddFolder({.shortName = "SUB", .parentKey = 40, .ownKey = 41});
  catalog.AddFolder({.shortName = "ORPHAN", .deleted = 'y', .parentKey = 99, .ownKey = 42});
  catalog.AddFolder({.shortName = "OTHER", .parentKey = 77, .ownKey = 43, .fileSystemNumber = 1});
  catalog.AddFolder({.shortName = "OTHERFS", .parentKey = kNtfsRootKey, .ownKey = 99, .fileSystemNumber = 1});
  catalog.AddFile({.shortName = "IN", .parentKey = 41, .ownKey = 50});
  catalog.AddFile({.shortName = "LOOSE", .deleted = 'y', .parentKey = 98, .ownKey = 51});
  catalog.AddFile({.shortName = "TOP", .parentKey = kNtfsRootKey, .ownKey = 52});
  ASSERT_TRUE(HangOrphansUnderLost(catalog, kNtfsRootKey, 0));
  ASSERT_TRUE(HangOrphansUnderLost(catalog, kNtfsRootKey, 0));
  std::vector<uint32_t> folderParents, fileParents;
  for (const auto& folder : catalog.folders()) folderParents.push_back(folder.parentKey);
  for (const auto& file : catalog.files()) fileParents.push_back(file.parentKey);
  EXPECT_EQ(folderParents, (std::vector<uint32_t>{kNtfsRootKey, 40, LostKey, 77, kNtfsRootKey, kNtfsRootKey}));
  EXPECT_EQ(fileParents, (std::vector<uint32_t>{41, LostKey, kNtfsRootKey}));
  EXPECT_EQ(catalog.folders().back().name.utf8(), "Lost");
  EXPECT_EQ(catalog.folders().back().ownKey, LostKey);

  RecoveryCatalog whole;
  whole.AddFile({.shortName = "TOP", .parentKey = kNtfsRootKey, .ownKey = 52});
  ASSERT_TRUE(HangOrphansUnderLost(whole, kNtfsRootKey, 0));
  EXPECT_TRUE(whole.folders().empty());
}

// Folders whose parents form a ring never reach the root: one folder of each
// ring is hung under "Lost", and the ring and what lies below it come with it.
TEST(CatalogTest, RingsOfFoldersHangUnderLost) {
  struct Case {
    const char* what;
    std::vector<std::pair<uint32_t, uint32_t>> folders;  // (own key, parent key)
    std::vector<uint32_t> expectedParents;
  };
  const uint32_t r = kNtfsRootKey, l = LostKey;
  const Case cases[] = {
      {"a folder its own parent", {{40, 40}, {41, 40}}, {l, 40}},
      {"two folders each other's parent", {{40, 41}, {41, 40}, {42, 41}}, {41, l, 41}},
      {"a ring of three below a good folder", {{30, r}, {40, 42}, {41, 40}, {42, 41}}, {r, 42, l, 41}},
      {"a saved \"Lost\" inside a ring", {{l, 40}, {40, l}}, {r, l}},
      {"no ring", {{40, r}, {41, 40}}, {r, 40}},
  };
  for (const Case& c : cases) {
    RecoveryCatalog catalog;
    for (auto [own, parent] : c.folders) catalog.AddFolder({.shortName = "F", .parentKey = parent, .ownKey = own});
    catalog.AddFile({.shortName = "IN", .parentKey = c.folders.back().first, .ownKey = 60});
    ASSERT_TRUE(HangOrphansUnderLost(catalog, r, 0)) << c.what;
    std::vector<uint32_t> parents;
    for (size_t i = 0; i < c.folders.size(); ++i) parents.push_back(catalog.folders()[i].parentKey);
    EXPECT_EQ(parents, c.expectedParents) << c.what;
    // Every folder, and so the file, now reaches the root.
    for (const FolderRecord& folder : catalog.folders()) {
      uint32_t key = folder.ownKey;
      size_t steps = 0;
      while (key != r && steps++ <= catalog.folders().size()) key = catalog.FindFolder(key, 0)->parentKey;
      EXPECT_EQ(key, r) << c.what;
    }
  }
}

}  // namespace
}  // namespace vantor
