// Saved search states: the file read back by a reader written here from the
// layout alone, round trips of catalogs and candidates, the wrong disk, damaged
// files, and values that do not fit the file's fields.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "state/SearchState.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

// The layout as a reader that knows nothing of ours sees it.
struct Bytes {
  std::vector<uint8_t> data;
  size_t at = 0;
  uint64_t Take(size_t width) {
    if (at + width > data.size()) throw std::out_of_range("past the end");
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint64_t{data[at + i]} << (8 * i);
    at += width;
    return value;
  }
  std::string Units(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text.push_back(static_cast<char>(Take(2)));
    return text;
  }
  std::string LongText() { return Units(Take(4)); }
  // Both names of a catalog record, "long|short".
  std::string Names() {
    std::string longName = ShortText();
    return longName + "|" + ShortBytes();
  }
  std::string ShortText() { return Units(Take(1)); }
  std::string ShortBytes() {
    std::string text;
    for (size_t n = Take(1); n > 0; --n) text.push_back(static_cast<char>(Take(1)));
    return text;
  }
};

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})};
}

const StateSource kVirtualDisk{u"disk.vmdk", true, u"8", u"monolithicSparse", u"128"};

struct Saved {
  RecoveryState state;
  LostSearchLists lists;
  RecoveryCatalog catalog;
  Saved() {
    state.fileSystemName = u"NTFS";
    state.selectedItemText = u"Disk0";
    state.selectedPartitionText = u"Partition - 2 ( NTFS )";
    state.startSector = 2048;
    state.endSector = 133120;
    state.geometry = {.sectorsPerCluster = 8, .clusterBase = 2048, .mftSector = 10000, .sectorsPerMftRecord = 2};
    state.partitionSearch = 1;
    state.selectedFileSystem = 2;
    lists.found = {{.name = "NTFS", .sectorsPerCluster = 8, .startSector = 2048, .endSector = 133120},
                   {.name = "FAT16", .sectorsPerCluster = 4, .endSector = 400, .clusterBase = -6}};
    lists.ntfs.folders = {{.name = u"Letters", .times = {.modified = {}, .created = {7, 8}, .accessed = {}}, .parentKey = 5, .ownKey = 64,
                           .recordSector = 3000, .firstIndexCluster = 90, .fileSystemNumber = 1}};
    lists.ntfs.files = {{.name = u"a.txt", .deleted = 'y', .size = 5'000'000'000, .parentKey = 64, .ownKey = 70,
                         .recordSector = 3010}};
    catalog.AddFolder({.parentKey = 5, .ownKey = 64, .recordSector = 3000, .fileSystemNumber = 1});  // no names
    catalog.AddFolder({.shortName = "DOCS", .deleted = 'y', .parentKey = 0, .ownKey = 9});
    for (const char16_t* name : {u"a.txt", u"a.txt:Zone", u"a.txt:more", u"b.txt"})
      catalog.AddFile({.longName = name, .size = 12, .parentKey = 64, .ownKey = name[0] == u'b' ? 71u : 70u,
                       .recordSector = 3010, .times = {.modified = {1, 2}, .created = {}, .accessed = {}},
                       .stream = static_cast<uint8_t>(std::u16string_view(name).find(u':') == 5 ? 1 : 0)});
    catalog.files()[2].stream = 2;
  }
};

// Header, found file systems, candidates and catalog at the offsets the
// layout gives them, with the counts, names and values saved.
TEST(SearchStateTest, FileFollowsTheLayoutByteForByte) {
  test::TempDir dir;
  Saved saved;
  for (StateKind kind : {StateKind::kSearch, StateKind::kScan}) {
    const std::string path = StatePath(dir / "run", kind);
    ASSERT_EQ(SaveState(path, kind, kVirtualDisk, saved.state, saved.lists, saved.catalog), "");
    Bytes b = ReadAll(path);
    EXPECT_EQ(b.Units(7), std::string("Vantor") + '\0');
    EXPECT_EQ(b.LongText(), "disk.vmdk");
    for (const char* detail : {"8", "monolithicSparse", "128"}) EXPECT_EQ(b.LongText(), detail);
    b.Take(3);
    EXPECT_EQ(b.Take(1), 1u);  // partition 2, counted from 0
    EXPECT_EQ(b.ShortText(), "NTFS");
    EXPECT_EQ(b.ShortText(), "Disk0");
    EXPECT_EQ(b.Take(8), 2048u);
    EXPECT_EQ(b.Take(8), 133120u);
    for (int copy = 0; copy < 2; ++copy) {
      std::vector<uint64_t> values;
      for (int i = 0; i < 12; ++i) values.push_back(b.Take(4));
      EXPECT_EQ(values, (std::vector<uint64_t>{0, 8, 0, 0, 0, 2048, 0, 0, 10000, 0, 2, 0}));
    }
    EXPECT_EQ(b.ShortText(), "NTFS");
    for (uint64_t flag : {0, 1, 0, 2}) EXPECT_EQ(b.Take(4), flag);
    ASSERT_EQ(b.Take(4), 2u);
    const size_t entry = b.at;
    EXPECT_EQ(b.Take(8), 133120u);
    EXPECT_EQ(b.Take(8), 2048u);
    b.at = entry + 48;
    EXPECT_EQ(b.Units(5), std::string("NTFS") + '\0');
    b.at = entry + 68 + 36;
    EXPECT_EQ(static_cast<int32_t>(b.Take(4)), -6);  // the FAT values' cluster base
    b.at = entry + 2 * 68;
    if (kind == StateKind::kSearch) {
      ASSERT_EQ(b.Take(4), 1u);
      const size_t folder = b.at;
      b.at = folder + 28;
      EXPECT_EQ(b.Take(4), 90u);
      EXPECT_EQ(b.Take(4), 5u);
      EXPECT_EQ(b.Take(4), 3000u);
      EXPECT_EQ(b.Take(4), 90u);
      EXPECT_EQ(b.Take(4), 64u);
      EXPECT_EQ(b.at, folder + 48);
      b.Take(1);
      EXPECT_EQ(b.ShortText(), "Letters");
      EXPECT_EQ(b.Take(1), 0u);
      ASSERT_EQ(b.Take(4), 1u);
      const size_t file = b.at;
      b.at = file + 28;
      EXPECT_EQ(b.Take(8), 5'000'000'000u);
      b.at = file + 52;
      EXPECT_EQ(b.Take(1), uint64_t{'y'});
      EXPECT_EQ(b.ShortText(), "a.txt");
      EXPECT_EQ(b.Take(1), 0u);
    }
    ASSERT_EQ(b.Take(4), 2u);
    const size_t nameless = b.at;
    b.at += 50;
    EXPECT_EQ(b.Names(), "|");
    EXPECT_EQ(b.at - nameless, 52u);
    b.at += 49;
    EXPECT_EQ(b.Take(1), uint64_t{'y'});
    EXPECT_EQ(b.Names(), "|DOCS");
    ASSERT_EQ(b.Take(4), 4u);
    for (const char* name : {"a.txt", "a.txt:Zone", "a.txt:more", "b.txt"}) {
      b.at += 54;
      EXPECT_EQ(b.Names(), std::string(name) + "|");
    }
    EXPECT_EQ(b.at, b.data.size());
  }
}

std::vector<std::string> Records(const RecoveryCatalog& catalog) {
  std::vector<std::string> out;
  for (const FolderRecord& f : catalog.folders())
    out.push_back("D " + f.name.utf8() + " " + f.deleted + " " + std::to_string(f.parentKey) + " " +
                  std::to_string(f.ownKey) + " " + std::to_string(f.recordSector) + " " +
                  std::to_string(f.fileSystemNumber));
  for (const FileRecord& f : catalog.files())
    out.push_back("F " + f.name.utf8() + " " + f.deleted + " " + std::to_string(f.size()) + " " +
                  std::to_string(f.ownKey) + " " + std::to_string(f.stream) + " " + std::to_string(f.modified.second));
  return out;
}

// A scan's catalog comes back record for record, streams numbered again; a
// search's candidates come back and its catalog is not read; the header
// restores the choice.
TEST(SearchStateTest, ScanAndSearchComeBackAsSaved) {
  test::TempDir dir;
  Saved saved;
  for (StateKind kind : {StateKind::kScan, StateKind::kSearch}) {
    const std::string path = StatePath(dir / "state", kind);
    ASSERT_EQ(SaveState(path, kind, kVirtualDisk, saved.state, saved.lists, saved.catalog), "");
    RecoveryState state;
    LostSearchLists lists;
    RecoveryCatalog catalog;
    test::ScriptedHost host;
    ASSERT_EQ(LoadStateHeader(path, kVirtualDisk, state, lists), "");
    EXPECT_EQ(state.stateLoaded, 1);
    EXPECT_EQ(state.geometry.mftSector, 10000u);
    EXPECT_EQ(state.selectedFileSystem, 2);
    EXPECT_EQ(state.selectedPartitionText, u"Partition - 2 ( NTFS )");
    ASSERT_EQ(lists.found.size(), 2u);
    EXPECT_EQ(lists.found[1].clusterBase, -6);
    EXPECT_EQ(lists.found[1].name, "FAT16");
    ASSERT_EQ(LoadStateLists(state, host, catalog, lists), "");
    if (kind == StateKind::kScan) {
      EXPECT_EQ(Records(catalog), Records(saved.catalog));
      EXPECT_EQ(catalog.bytesTotal, 48u);
    } else {
      EXPECT_TRUE(catalog.folders().empty());
      EXPECT_EQ(state.stateLoaded, 0);
      ASSERT_EQ(lists.ntfs.folders.size(), 1u);
      EXPECT_EQ(lists.ntfs.folders[0].name, u"Letters");
      EXPECT_EQ(lists.ntfs.folders[0].firstIndexCluster, 90u);
      EXPECT_EQ(lists.ntfs.folders[0].times.created, (RecordTime{7, 8}));
      ASSERT_EQ(lists.ntfs.files.size(), 1u);
      EXPECT_EQ(lists.ntfs.files[0].size, 5'000'000'000u);
      EXPECT_EQ(lists.ntfs.files[0].deleted, 'y');
    }
  }
}

// Names typed in the save dialogs, and the files a load takes or ignores.
TEST(SearchStateTest, TypedNamesAndExtensions) {
  EXPECT_EQ(StatePath("scan", StateKind::kScan), "SCAN.ST4");
  EXPECT_EQ(StatePath("/home/ann/Runs/scan.st4", StateKind::kScan), "/home/ann/Runs/SCAN.ST4");
  EXPECT_EQ(StatePath("found", StateKind::kSearch), "FOUND.ST2C");
  EXPECT_EQ(StatePath("", StateKind::kSearch), "");
  StateKind kind = StateKind::kScan;
  EXPECT_TRUE(StateKindOf("/a/x.st2c", kind));
  EXPECT_EQ(kind, StateKind::kSearch);
  EXPECT_FALSE(StateKindOf("/a/x.txt", kind));
}

// Another disk, a file cut anywhere, a count no file of this length can hold,
// and a value that does not fit: each refused with its message, nothing
// half-written left behind.
TEST(SearchStateTest, WrongDiskDamagedFilesAndOversizedValuesAreRefused) {
  test::TempDir dir;
  Saved saved;
  const std::string path = dir / "S.ST4";
  ASSERT_EQ(SaveState(path, StateKind::kScan, kVirtualDisk, saved.state, saved.lists, saved.catalog), "");
  RecoveryState state;
  LostSearchLists lists;
  StateSource other = kVirtualDisk;
  other.typeText = u"twoGbMaxExtentSparse";
  EXPECT_EQ(LoadStateHeader(path, other, state, lists), kStateWrongDiskText);
  EXPECT_EQ(LoadStateHeader(path, {u"disk.img (100 sectors)"}, state, lists), kStateWrongDiskText);
  EXPECT_EQ(LoadStateHeader(dir / "none.ST4", kVirtualDisk, state, lists), kStateOpenText);
  EXPECT_EQ(state.stateLoaded, 0);

  const Bytes whole = ReadAll(path);
  const std::string cut = dir / "CUT.ST4";
  for (size_t length = 0; length < whole.data.size(); ++length) {
    std::ofstream(cut, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(whole.data.data()), static_cast<std::streamsize>(length));
    RecoveryState loaded;
    RecoveryCatalog catalog;
    test::ScriptedHost host;
    std::string problem = LoadStateHeader(cut, kVirtualDisk, loaded, lists);
    if (problem.empty()) problem = LoadStateLists(loaded, host, catalog, lists);
    EXPECT_EQ(problem, kStateFileErrorText) << "cut at " << length;
  }
  // A folder count of 4 000 000 000 in a file of a few hundred bytes.
  Bytes huge = whole;
  // Before the folders: their count; after: the nameless one, DOCS, the file
  // count and the four files with their names.
  const size_t folders = whole.data.size() - (52 + 56) - 4 - (66 + 76 + 76 + 66) - 4;
  ASSERT_EQ(huge.data[folders], 2u);
  huge.data[folders] = 0x00;
  huge.data[folders + 1] = 0x28;
  huge.data[folders + 2] = 0x6B;
  huge.data[folders + 3] = 0xEE;
  std::ofstream(cut, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(huge.data.data()), static_cast<std::streamsize>(huge.data.size()));
  RecoveryState loaded;
  RecoveryCatalog catalog;
  test::ScriptedHost host;
  ASSERT_EQ(LoadStateHeader(cut, kVirtualDisk, loaded, lists), "");
  EXPECT_EQ(LoadStateLists(loaded, host, catalog, lists), kStateFileErrorText);

  saved.catalog.files()[0].recordSector = uint64_t{1} << 32;
  const std::string big = dir / "BIG.ST4";
  const std::string problem = SaveState(big, StateKind::kScan, kVirtualDisk, saved.state, saved.lists, saved.catalog);
  EXPECT_NE(problem.find("4294967296 does not fit"), std::string::npos) << problem;
  EXPECT_FALSE(std::filesystem::exists(big));
  EXPECT_FALSE(std::filesystem::exists(big + ".partial"));
  EXPECT_EQ(SaveState(dir / "missing/X.ST4", StateKind::kScan, kVirtualDisk, saved.state, saved.lists, saved.catalog),
            kStateCreateText);
}

}  // namespace
}  // namespace vantor
