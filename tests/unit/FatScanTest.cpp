#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "disk/SectorReader.h"
#include "fat/FatChains.h"
#include "fat/FatScan.h"
#include "fat/FatTable.h"
#include "partition/BootValues.h"
#include "session/Session.h"
#include "support/FatImage.h"
#include "support/FatSession.h"
#include "support/ScriptedHost.h"

namespace vantor {
namespace {

struct Volume : test::FatSession {
  FatScanResult Scan() {
    EXPECT_EQ(ReadBootValues(session), 1u);
    return FatScan(session);
  }
  FatTable Table() {
    const VolumeGeometry& g = session.state.geometry;
    return FatTable(session.reader.function(), session.reader.quietFunction(), session.state.fileSystem(), g.firstFatSector, g.sectorsPerFat);
  }
  std::vector<uint32_t> Chain(uint32_t start, uint32_t limit) {
    EXPECT_EQ(ReadBootValues(session), 1u);
    FatTable table = Table();
    return FollowChain(table, session.host(), start, limit);
  }
};

TEST(FatChainTest, EndMarksReservedValuesLimitsAndLoops) {
  Volume v;
  v.image.Link(5, 6);
  v.image.Link(6, 0xFFFF);
  EXPECT_EQ(v.Chain(5, 0), (std::vector<uint32_t>{5, 6}));
  v.image.Link(7, 0xFFF8);  // reserved values continue the chain
  EXPECT_EQ(v.Chain(7, 0), (std::vector<uint32_t>{7, 0xFFF8}));
  for (uint32_t c = 10; c < 50; ++c) v.image.Link(c, static_cast<uint16_t>(c + 1 < 50 ? c + 1 : 0xFFFF));
  EXPECT_EQ(v.Chain(10, 0).size(), 40u);
  EXPECT_EQ(v.Chain(10, LostKey).size(), 26u);
  v.image.Link(60, 61);
  v.image.Link(61, 62);
  v.image.Link(62, 60);  // a loop
  EXPECT_EQ(v.Chain(60, 0), (std::vector<uint32_t>{60, 61, 62}));
  v.session.state.fileSystemName = u"NTFS";
  FatTable none = v.Table();
  EXPECT_TRUE(FollowChain(none, v.session.host(), 5, 0).empty());
}

// An entry is read only when all its bytes lie inside the table: what follows the
// table (here 0xAB bytes) is never taken for an entry, and a sector that cannot
// be read gives none.
TEST(FatChainTest, EntriesEndWithTheTable) {
  std::vector<uint8_t> disk(16 * 512, 0);
  std::fill(disk.begin() + 11 * 512, disk.end(), 0xAB);
  for (size_t i = 10 * 512; i < 11 * 512; ++i) disk[i] = static_cast<uint8_t>(i);
  bool failing = false;
  const SectorRead read = [&](uint64_t first, uint32_t count, uint8_t* buffer) -> uint32_t {
    std::memcpy(buffer, disk.data() + first * 512, count * 512);
    return failing ? 0 : 1;
  };
  const struct {
    FileSystemKind width;
    uint32_t lastInside;
  } widths[] = {{FileSystemKind::kFat12, 340}, {FileSystemKind::kFat16, 255}, {FileSystemKind::kFat32, 127}};
  for (const auto& w : widths) {
    FatTable table(read, read, w.width, 10, 1);
    EXPECT_TRUE(table.Entry(w.lastInside).has_value()) << static_cast<int>(w.width);
    EXPECT_FALSE(table.Entry(w.lastInside + 1).has_value()) << static_cast<int>(w.width);
    EXPECT_FALSE(table.Entry(0xFFFFFFFF).has_value());
    failing = true;
    EXPECT_FALSE(FatTable(read, read, w.width, 10, 1).Entry(2).has_value());
    failing = false;
  }
  FatTable fat12(read, read, FileSystemKind::kFat12, 10, 1);
  EXPECT_EQ(fat12.Entry(340), (disk[10 * 512 + 510] | disk[10 * 512 + 511] << 8) & 0x0FFFu);
}

// The table is read in blocks; a block holding a bad sector is read sector by
// sector, so that only the bad sector is lost (and asked about).
TEST(FatTableTest, BlocksAreReadAtOnceAndABadSectorCostsOnlyItself) {
  constexpr uint64_t kFirst = 10, kSectors = 64, kBad = kFirst + 20;
  std::vector<uint8_t> disk((kFirst + kSectors) * 512);
  for (size_t i = 0; i < disk.size(); i += 4) disk[i] = static_cast<uint8_t>(i / 512);  // FAT32 entries name their sector
  std::vector<std::pair<uint64_t, uint32_t>> quiet, asking;
  const auto reader = [&](auto& log) {
    return [&](uint64_t first, uint32_t count, uint8_t* buffer) -> uint32_t {
      log.emplace_back(first, count);
      std::memcpy(buffer, disk.data() + first * 512, count * 512);
      return first <= kBad && kBad < first + count ? 0 : 1;
    };
  };
  FatTable table(reader(asking), reader(quiet), FileSystemKind::kFat32, kFirst, kSectors);
  constexpr uint32_t kPerSector = 128;
  EXPECT_EQ(table.Entry(1 * kPerSector), 11u);  // in the block with the bad sector
  EXPECT_EQ(table.Entry(2 * kPerSector), 12u);
  EXPECT_FALSE(table.Entry(20 * kPerSector).has_value());
  EXPECT_EQ(table.Entry(40 * kPerSector), 50u);
  EXPECT_EQ(table.Entry(63 * kPerSector + 5), 73u);
  using Reads = std::vector<std::pair<uint64_t, uint32_t>>;
  EXPECT_EQ(quiet, (Reads{{kFirst, 32}, {kFirst + 32, 32}}));
  EXPECT_EQ(asking, (Reads{{11, 1}, {12, 1}, {kBad, 1}}));
}

TEST(FatChainTest, Fat12AndFat32Entries) {
  Volume v;
  ASSERT_EQ(ReadBootValues(v.session), 1u);
  v.session.state.fileSystemName = u"FAT12";
  auto& fat = v.disk->sector(v.image.FirstFat());
  fat[3] = 0x45;  // cluster 2 = 0x345 ... low nibble of byte 4 is its top
  fat[4] = 0x73;  // ... and cluster 3 = (byte5 << 4) | (byte4 >> 4)
  fat[5] = 0x12;
  EXPECT_EQ(v.Table().Entry(2), 0x345u);
  EXPECT_EQ(v.Table().Entry(3), 0x127u);
  v.session.state.fileSystemName = u"FAT32";
  uint32_t big = 0x1FFFFFFF;
  std::memcpy(fat.data() + 5 * 4, &big, 4);
  uint32_t next = 0x0FFFFFF8;
  std::memcpy(fat.data() + 4 * 4, &next, 4);
  FatTable fat32 = v.Table();
  EXPECT_EQ(fat32.Entry(5), 0x1FFFFFFFu);  // all 32 bits
  EXPECT_EQ(FollowChain(fat32, v.session.host(), 5, 0), std::vector<uint32_t>{5});
  EXPECT_EQ(FollowChain(fat32, v.session.host(), 4, 0), (std::vector<uint32_t>{4, 0x0FFFFFF8}));
}

TEST(FatScanTest, DeletedFolderForcesItsContentsAndRootEndMarksEndOnlyTheirSector) {
  Volume v;
  auto& img = v.image;
  img.Entry(img.RootSector(0), 0, "\xE5" "LD     DIR", 0x10, 2);  // deleted folder, still on disk
  img.Entry(img.RootSector(1), 0, "LIVE    TXT", 0x20, 9, 100);  // after an end mark in sector 0
  img.DotEntries(2, 0);
  img.Entry(img.ClusterSector(2), 2, "INNER   TXT", 0x20, 3, 10);  // live entry in a deleted folder
  img.Entry(img.ClusterSector(2), 3, "SUB        ", 0x10, 4);
  img.DotEntries(4, 2);
  img.Entry(img.ClusterSector(4), 2, "DEEP    TXT", 0x20, 5, 1);
  img.Entry(img.ClusterSector(4), 3, "SUB        ", 0x10, 4);  // contains itself
  ASSERT_TRUE(v.Scan().ok);
  EXPECT_EQ(v.Listing(), (std::map<std::string, char>{{"D _LD.DIR", 'y'}, {"D _LD.DIR/SUB", 'y'},
                                                      {"F LIVE.TXT", 'n'}, {"F _LD.DIR/INNER.TXT", 'y'},
                                                      {"F _LD.DIR/SUB/DEEP.TXT", 'y'}}));
  EXPECT_EQ(v.session.catalog.bytesTotal, 111u);
}

TEST(FatScanTest, FolderChainsLongNamesAcrossClustersLoopsAndEndMarks) {
  Volume v;
  auto& img = v.image;
  img.Entry(img.RootSector(0), 0, "DIR        ", 0x10, 2);
  img.Entry(img.RootSector(0), 1, "NOTADIR    ", 0x10, 20);  // no "." and "..": listed, not opened
  img.Entry(img.ClusterSector(20), 0, "HIDDEN  TXT", 0x20, 21, 1);
  // DIR: clusters 2 -> 7 -> 3 -> 7 (a loop). A long name runs from the end of
  // cluster 2 into cluster 7, which is not the next cluster on the volume.
  img.Link(2, 7);
  img.Link(7, 3);
  img.Link(3, 7);
  img.DotEntries(2, 0);
  for (unsigned i = 2; i < 15; ++i) img.Entry(img.ClusterSector(2), i, "F          ", 0x20, 100 + i, 1);
  // Three parts: the last entry of cluster 2, then entries 0 and 1 of cluster 7.
  img.LongName(img.ClusterSector(6), 15, u"Name across the cluster boundary.txt", "NAMEAC~1TXT");
  std::copy_n(v.disk->sector(img.ClusterSector(6)).begin() + 480, 32, v.disk->sector(img.ClusterSector(2)).begin() + 480);
  v.disk->sectors.erase(img.ClusterSector(6));
  img.Entry(img.ClusterSector(7), 2, "NAMEAC~1TXT", 0x20, 30, 5);
  for (unsigned i = 3; i < 16; ++i) img.Entry(img.ClusterSector(7), i, "G          ", 0x20, 200 + i, 1);
  img.Entry(img.ClusterSector(3), 0, "LAST    TXT", 0x20, 31, 5);
  img.Entry(img.ClusterSector(3), 2, "AFTER   TXT", 0x20, 32, 5);  // after the end mark at entry 1
  ASSERT_TRUE(v.Scan().ok);
  auto listing = v.Listing();
  EXPECT_EQ(listing.count("F DIR/Name across the cluster boundary.txt"), 1u);
  EXPECT_EQ(listing.count("F DIR/LAST.TXT"), 1u);
  EXPECT_EQ(listing.count("F DIR/AFTER.TXT"), 0u);
  EXPECT_EQ(listing.count("D NOTADIR"), 1u);
  EXPECT_EQ(listing.count("F NOTADIR/HIDDEN.TXT"), 0u);
  EXPECT_EQ(v.session.catalog.filesFound, 13u + 1u + 13u + 1u);  // F and G 13 times each, the long name, LAST
  EXPECT_FALSE(v.host.traces.empty());
}

TEST(FatScanTest, LiveFolderTakesOverADeletedOneAndAnEmptyVolumeSwitches) {
  Volume v;
  auto& img = v.image;
  img.Entry(img.RootSector(0), 0, "\xE5" "LD        ", 0x10, 2);
  img.Entry(img.RootSector(0), 1, "NEW        ", 0x10, 2);
  img.Entry(img.RootSector(0), 2, "EMPTY   TXT", 0x20, 0, 0);  // no cluster, no bytes: an empty file
  img.DotEntries(2, 0);
  img.Entry(img.ClusterSector(2), 2, "A       TXT", 0x20, 3, 1);
  ASSERT_TRUE(v.Scan().ok);
  // The deleted entry stays listed, empty: the folder is NEW's now.
  EXPECT_EQ(v.Listing(), (std::map<std::string, char>{
                             {"D NEW", 'n'}, {"D _LD", 'y'}, {"F EMPTY.TXT", 'n'}, {"F NEW/A.TXT", 'n'}}));

  Volume empty;
  empty.image.Entry(empty.image.RootSector(0), 0, "LABEL      ", 0x08, 0);
  FatScanResult result = empty.Scan();
  EXPECT_TRUE(result.ok);
  EXPECT_TRUE(result.foundNothing);
  EXPECT_EQ(empty.host.calls, std::vector<std::string>{std::string("message:") + kSwitchToExhaustiveText});
}

}  // namespace
}  // namespace vantor
