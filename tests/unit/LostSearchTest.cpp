// The lost-partition search's analysis, the description of what it found, and
// the FAT exhaustive scan on volumes built byte by byte.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fat/FatExhaustiveScan.h"
#include "fat/FatScan.h"
#include "lost/FatCandidates.h"
#include "lost/FoundFileSystems.h"
#include "lost/FoundFolders.h"
#include "partition/BootValues.h"
#include "session/Session.h"
#include "support/FatImage.h"
#include "support/FatSession.h"
#include "support/ScriptedHost.h"

namespace vantor {
namespace {

using Sector = std::array<uint8_t, 512>;

void Put(Sector& s, size_t at, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) s[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

Sector Boot16(uint32_t perCluster, uint32_t total16, uint32_t total32, const char* label = "FAT16   ") {
  Sector s{};
  s[13] = static_cast<uint8_t>(perCluster);
  Put(s, 14, 4, 2);    // reserved
  s[16] = 2;           // FAT copies
  Put(s, 17, 512, 2);  // root entries: 32 sectors
  s[21] = 0xF8;        // media byte
  Put(s, 19, total16, 2);
  Put(s, 22, 100, 2);  // sectors per FAT
  Put(s, 32, total32, 4);
  std::memcpy(s.data() + 54, label, 8);
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

Sector Boot32(uint32_t perCluster, uint32_t total) {
  Sector s{};
  s[13] = static_cast<uint8_t>(perCluster);
  Put(s, 14, 32, 2);
  s[16] = 2, s[21] = 0xF8;
  Put(s, 32, total, 4);
  Put(s, 36, 1000, 4);
  Put(s, 44, 2, 4);
  Put(s, 50, 6, 2);  // the backup copy's sector
  std::memcpy(s.data() + 82, "FAT32   ", 8);
  s[510] = 0x55, s[511] = 0xAA;
  return s;
}

// The first sector of a FAT copy: the entries of clusters 0 and 1.
Sector Fat(uint8_t media) {
  Sector s{};
  s[0] = media, s[1] = 0xFF, s[2] = 0xFF, s[3] = 0xFF;
  return s;
}

Sector Folder(uint32_t own, uint32_t parent) {
  Sector s{};
  std::memcpy(s.data(), ".          ", 11);
  std::memcpy(s.data() + 32, "..         ", 11);
  Put(s, 20, own >> 16, 2), Put(s, 26, own & 0xFFFF, 2);
  Put(s, 52, parent >> 16, 2), Put(s, 58, parent & 0xFFFF, 2);
  return s;
}

struct Seen {
  uint64_t sector;
  Sector bytes;
};

struct SearchCase {
  const char* what;
  std::vector<Seen> sectors;  // in sector order, as the sweep meets them
  std::vector<std::string> found;  // "NAME START-END /C @BASE"
  std::vector<int32_t> numbers;    // of the folder candidates, in order
};

std::string Describe(const FoundFileSystem& f) {
  return f.name + " " + std::to_string(f.startSector) + "-" + std::to_string(f.endSector) + " /" +
         std::to_string(f.sectorsPerCluster) + " @" + std::to_string(f.clusterBase);
}

TEST(LostSearchTest, BootSectorsConfirmedByFoldersAndFileSystemsInferredFromFolderPairs) {
  // FAT16 boot at 100: reserved 4, two FATs of 100, 32 root sectors; cluster
  // size 4 puts its cluster base at 100 + 4 + 200 + 32 - 8 = 328.
  const uint64_t far = 5'000'000'000;  // beyond 2^32 sectors
  const SearchCase cases[] = {
      {"16-bit total when the 32-bit one is 0", {{100, Boot16(4, 4096, 0)}, {328 + 4 * 3, Folder(3, 0)}},
       {"FAT16 100-4196 /4 @328"}, {1}},
      {"a FAT12 boot sector is read as a FAT16 one", {{100, Boot16(4, 4096, 0, "FAT12   ")}, {336, Folder(2, 0)}},
       {"FAT12 100-4196 /4 @328"}, {1}},
      {"a boot sector neither a folder nor its FATs confirm is not listed",
       {{100, Boot16(4, 0, 9000)}, {2000, Boot32(8, 9000)}}, {}, {}},
      {"FATs that begin with the media byte and agree confirm a volume without folders",
       {{100, Boot16(4, 0, 9000)}, {104, Fat(0xF8)}, {204, Fat(0xF8)}}, {"FAT16 100-9100 /4 @328"}, {}},
      {"a FAT32 backup boot sector stands for its lost primary, 6 sectors before it",
       {{1006, Boot32(8, 9000)}, {1032, Fat(0xF8)}, {2032, Fat(0xF8)}}, {"FAT32 1000-10000 /8 @3016"}, {}},
      {"FATs that disagree or lack the media byte confirm nothing",
       {{100, Boot16(4, 0, 9000)}, {104, Fat(0xF8)}, {204, Fat(0xF0)}, {5000, Boot16(4, 0, 9000)}, {5004, Fat(0xF0)},
        {5104, Fat(0xF0)}},
       {}, {}},
      {"clusters 5, 7 and 9 at 1000, 1016 and 1032: 8 sectors per cluster from 960",
       {{1000, Folder(5, 0)}, {1016, Folder(7, 5)}, {1032, Folder(9, 5)}}, {"FAT16 0-0 /8 @960"}, {1, 1, 1}},
      {"a folder nothing pairs with fits no file system",
       {{600, Folder(500, 0)}, {1000, Folder(5, 0)}, {1032, Folder(9, 5)}}, {"FAT16 0-0 /8 @960"}, {-1, 1, 1}},
      {"beyond cluster 65536 an inferred file system is FAT32",
       {{1'070'000, Folder(70'000, 0)}, {1'070'001, Folder(70'001, 0)}}, {"FAT32 0-0 /1 @1000000"}, {1, 1}},
      {"sector numbers beyond 2^32",
       {{far, Boot32(8, 100000)}, {far + 32 + 2000 + 8 * 4, Folder(6, 0)}},
       {"FAT32 5000000000-5000100000 /8 @5000002016"}, {1}},
  };
  for (const SearchCase& c : cases) {
    LostSearchLists lists;
    std::map<uint64_t, Sector> disk;
    for (const Seen& seen : c.sectors) {
      NoteSearchSector(ByteView(seen.bytes.data(), 512), seen.sector, lists);
      disk[seen.sector] = seen.bytes;
    }
    const SectorsRead read = [&](uint64_t first, uint32_t count, uint8_t* buffer) {
      for (uint32_t i = 0; i < count; ++i) {
        const auto found = disk.find(first + i);
        std::memcpy(buffer + 512 * i, found != disk.end() ? found->second.data() : Sector{}.data(), 512);
      }
    };
    test::ScriptedHost host;
    MatchBootCandidates(lists, read, host);
    InferFileSystems(lists, "FAT16", host);
    std::vector<std::string> found;
    for (const FoundFileSystem& f : lists.found) found.push_back(Describe(f));
    EXPECT_EQ(found, c.found) << c.what;
    std::vector<int32_t> numbers;
    for (const FatFolderCandidate& f : lists.folders) numbers.push_back(f.fileSystemNumber);
    EXPECT_EQ(numbers, c.numbers) << c.what;
  }
}

// An inferred FAT16 file system at the start of a source: its FATs are found
// below its clusters, its fixed root between them and cluster 2, and its root
// is then read as the directory scan reads it.
TEST(LostSearchTest, InferredFileSystemTakesTheTablesFoundBelowItsClusters) {
  EXPECT_EQ(FoundFileSystemText(12, "FAT32"), "File System 12 - FAT32");
  EXPECT_EQ(FoundFileSystemNumber(u"File System 12 - FAT32"), 12);
  EXPECT_EQ(FoundFileSystemNumber(u"File System  - FAT16"), 0);

  auto disk = std::make_shared<test::MemoryDisk>();
  test::FatImage16 image(*disk, 0, 1);
  image.Entry(image.RootSector(0), 0, "KEPT    TXT", 0x20, 3, 10);
  disk->sector(0).assign(512, 0);  // the boot sector is gone
  Session session;
  test::UseMemoryDisk(session, disk);
  session.state.endSector = 4096;
  LostSearchLists lists;
  const int64_t base = static_cast<int64_t>(image.ClusterSector(2)) - 2;
  lists.found.push_back({.name = "FAT16", .sectorsPerCluster = 1, .clusterBase = base});
  FoundDescription description;
  EXPECT_FALSE(DescribeFoundFileSystem(session, session.state, lists, 2, description));
  ASSERT_TRUE(DescribeFoundFileSystem(session, session.state, lists, 1, description));
  const VolumeGeometry& g = session.state.geometry;
  EXPECT_EQ(g.firstFatSector, image.FirstFat());
  EXPECT_EQ(g.secondFatSector, image.FirstFat() + test::FatImage16::kPerFat);
  EXPECT_EQ(g.sectorsPerFat, test::FatImage16::kPerFat);
  EXPECT_EQ(g.rootStart, image.RootSector(0));
  EXPECT_EQ(g.rootDirSectors, test::FatImage16::kRootEntries / 16);
  EXPECT_EQ(description.startSector, static_cast<uint64_t>(base));
  EXPECT_EQ(description.endSector, 4096u);
  EXPECT_TRUE(FatScan(session).ok);
  ASSERT_EQ(session.catalog.files().size(), 1u);
  EXPECT_EQ(session.catalog.files()[0].name.utf8(), "KEPT.TXT");
}

// The search's folders become records once, all of them, numbered by file
// system; choosing another file system hands "Lost" over and hangs that one's
// orphans under it; a catalog emptied meanwhile is filled again.
TEST(LostSearchTest, FoundFoldersBecomeRecordsForEachChoice) {
  LostSearchLists lists;
  lists.folders = {{.ownCluster = 3, .parentCluster = 0, .sector = 100, .fileSystemNumber = 1},
                   {.ownCluster = 4, .parentCluster = 3, .sector = 101, .fileSystemNumber = 1},
                   {.ownCluster = 5, .parentCluster = 99, .sector = 900, .fileSystemNumber = 2}};
  RecoveryCatalog catalog;
  test::ScriptedHost host;
  const auto records = [&] {
    std::vector<std::string> out;
    for (const FolderRecord& f : catalog.folders())
      out.push_back(f.name.utf8() + " " + std::to_string(f.parentKey) + " " + std::to_string(f.fileSystemNumber));
    return out;
  };
  const std::string lost = std::to_string(LostKey);
  ASSERT_TRUE(PrepareFoundFolders(catalog, host, lists, 1));
  EXPECT_EQ(records(), (std::vector<std::string>{"Lost 0 1", "Dir1 0 1", "Dir2 3 1", "Dir3 99 2"}));
  ASSERT_TRUE(PrepareFoundFolders(catalog, host, lists, 2));
  EXPECT_EQ(records(), (std::vector<std::string>{"Lost 0 2", "Dir1 0 1", "Dir2 3 1", "Dir3 " + lost + " 2"}));
  catalog.FreeCatalog();
  ASSERT_TRUE(PrepareFoundFolders(catalog, host, lists, 2));
  EXPECT_EQ(records(), (std::vector<std::string>{"Lost 0 2", "Dir1 0 1", "Dir2 3 1", "Dir3 " + lost + " 2"}));
}

struct Volume : test::FatSession {
  Volume() { session.state.endSector = 4096; }
  std::map<std::string, char> Scan() {
    EXPECT_EQ(ReadBootValues(session), 1u);
    EXPECT_TRUE(FatExhaustiveScan(session).ok);
    return Listing();
  }
};

// Folders A (cluster 2) and B (3, in A) and C (4, whose parent 9 was not
// found, in a cluster the FAT calls free); a stale copy of B's first sector at
// cluster 6; a later deleted root entry naming A again, which neither renames
// nor deletes the folder its live entry names and is listed as an old entry;
// the second cluster (7) of a deleted folder whose first cluster is gone.
TEST(FatExhaustiveScanTest, FoldersFoundByClusterNamedByEntriesAndOrphansUnderLost) {
  Volume v;
  test::FatImage16& image = v.image;
  image.Entry(image.RootSector(0), 0, "A          ", 0x10, 2);
  image.Entry(image.RootSector(0), 1, "ROOT    TXT", 0x20, 20, 5);
  image.Entry(image.RootSector(0), 2, "\xE5" "LDA       ", 0x10, 2);
  image.DotEntries(2, 0);
  image.Entry(image.ClusterSector(2), 2, "B          ", 0x10, 3);
  image.Entry(image.ClusterSector(2), 3, "C          ", 0x10, 4);
  image.Entry(image.ClusterSector(2), 4, "INA     TXT", 0x20, 21, 5);
  image.DotEntries(3, 2);
  image.Entry(image.ClusterSector(3), 2, "INB     TXT", 0x20, 22, 5);
  image.DotEntries(4, 9);
  image.Entry(image.ClusterSector(4), 2, "INC     TXT", 0x20, 23, 5);
  v.disk->sector(image.ClusterSector(6)) = v.disk->sector(image.ClusterSector(3));
  image.Entry(image.ClusterSector(7), 0, "\xE5" "RPHAN  TXT", 0x20, 24, 5);
  const std::map<std::string, char> expected = {
      {"D Lost", 'n'},           {"D A", 'n'},        {"D A/B", 'n'},          {"D Lost/Dir3", 'y'}, {"D _LDA", 'y'},
      {"D Lost/Cluster 7", 'y'}, {"F ROOT.TXT", 'n'}, {"F A/INA.TXT", 'n'},    {"F A/B/INB.TXT", 'n'},
      {"F Lost/Dir3/INC.TXT", 'y'}, {"F Lost/Cluster 7/_RPHAN.TXT", 'y'}};
  EXPECT_EQ(v.Scan(), expected);

  // No end sector: no cluster is read, the root's files and "Lost" remain.
  Volume empty;
  empty.image.Entry(empty.image.RootSector(0), 0, "ROOT    TXT", 0x20, 20, 5);
  empty.session.state.endSector = 0;
  EXPECT_EQ(empty.Scan(), (std::map<std::string, char>{{"D Lost", 'n'}, {"F ROOT.TXT", 'n'}}));
}

// Stop during the cluster search ends that search only: the folders found so
// far are still named and read.
TEST(FatExhaustiveScanTest, StopDuringTheClusterSearchKeepsWhatWasFound) {
  Volume v;
  v.image.Entry(v.image.RootSector(0), 0, "A          ", 0x10, 2);
  v.image.DotEntries(2, 0);
  v.image.Entry(v.image.ClusterSector(2), 2, "INA     TXT", 0x20, 21, 5);
  v.image.DotEntries(3000, 0);  // beyond the first run of the search
  // The search looks at Stop before each run and after it: the stop comes once
  // the first run is read.
  v.host.stopAfterPolls = 1;
  const std::map<std::string, char> listing = v.Scan();
  EXPECT_EQ(listing.count("F A/INA.TXT"), 1u);
  EXPECT_EQ(listing.size(), 3u);
}

}  // namespace
}  // namespace vantor
