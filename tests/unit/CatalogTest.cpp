#include "catalog/RecoveryCatalog.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

RecordTimes Stamp(uint32_t date) { return {{date, 1}, {date, 2}, {date, 0}}; }

TEST(CatalogTest, LiveFolderWinsOverDeletedInPlace) {
  RecoveryCatalog catalog;
  catalog.AddFolder("A", u"", 'n', 0, 10, 0, Stamp(1), 0);
  catalog.AddFolder("OLD", u"", 'y', 0, 20, 0, Stamp(2), 0);
  catalog.folders()[1].treeItem = 77;
  catalog.folders()[1].selected = 'y';
  catalog.AddFolder("", u"New name", 'n', 10, 20, 0, Stamp(3), 0);
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
  catalog.AddFolder("GONE", u"", 'y', 0, 20, 0, Stamp(4), 0);
  catalog.AddFolder("AGAIN", u"", 'n', 0, 20, 0, Stamp(5), 0);
  EXPECT_EQ(catalog.folders().size(), 2u);
  EXPECT_EQ(catalog.folders()[1].name.utf8(), "New name");
}

TEST(CatalogTest, KeysAreComparedPerFileSystemAndZeroIsAlwaysAppended) {
  RecoveryCatalog catalog;
  catalog.AddFolder("X", u"", 'n', 0, 30, 0, Stamp(1), 1);
  catalog.AddFolder("X", u"", 'n', 0, 30, 0, Stamp(1), 2);
  catalog.AddFolder("Z1", u"", 'n', 0, 0, 0, Stamp(1), 0);
  catalog.AddFolder("Z2", u"", 'n', 0, 0, 0, Stamp(1), 0);
  catalog.AddFolder("", u"", 'n', 0, LostKey, 0, Stamp(1), 0);
  EXPECT_EQ(catalog.folders().size(), 5u);
  EXPECT_EQ(catalog.directoriesFound, 5u);
  EXPECT_FALSE(catalog.folders()[4].name.isShort());
  EXPECT_TRUE(catalog.folders()[4].name.longName.empty());
}

TEST(CatalogTest, FilesAreNumberedInOrderAndRestartAfterFree) {
  RecoveryCatalog catalog;
  catalog.AddFile("A.TXT", u"", 'n', 5, 0, 0, 3, 0, Stamp(1));
  catalog.AddFile("", u"b.txt", 'y', 0xFFFFFFFF, 2, 0, 4, 0, Stamp(1));
  EXPECT_EQ(catalog.files()[1].fileNumber, 1u);
  EXPECT_EQ(catalog.files()[1].size(), 0x2FFFFFFFFull);
  EXPECT_EQ(catalog.filesFound, 2u);
  const FileRecord* first = &catalog.files()[0];
  for (int i = 0; i < 1000; ++i) catalog.AddFile("F", u"", 'n', 0, 0, 0, 0, 0, Stamp(1));
  EXPECT_EQ(first, &catalog.files()[0]);  // records never move
  catalog.FreeCatalog();
  EXPECT_EQ(catalog.filesFound + catalog.directoriesFound, 0u);
  catalog.AddFile("C", u"", 'n', 0, 0, 0, 0, 0, Stamp(1));
  EXPECT_EQ(catalog.files()[0].fileNumber, 0u);
  // After a free, a key seen before is new again.
  catalog.AddFolder("D", u"", 'n', 0, 30, 0, Stamp(1), 0);
  EXPECT_EQ(catalog.folders().size(), 1u);
}

}  // namespace
}  // namespace vantor
