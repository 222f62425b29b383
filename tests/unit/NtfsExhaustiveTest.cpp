// The NTFS exhaustive scan's records as it notes them, its numbering by disk
// order, its file systems from folder pairs and its map of the records seen,
// on records and candidates made by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "core/WorkerHost.h"
#include "lost/NtfsCandidates.h"
#include "ntfs/RunTables.h"
#include "support/NtfsRecordBuilder.h"

namespace vantor {
namespace {

// A record's flags are bits: in use (1), folder (2), and bits beside them
// (4, 8: $Extend's index views) that make it neither a file nor live.
TEST(NtfsExhaustiveTest, RecordFlagsReadAsBits) {
  struct Row {
    uint8_t flags;
    bool folder;
    char deleted;
  };
  for (const Row& row : {Row{0x00, false, 'y'}, Row{0x01, false, 'n'}, Row{0x02, true, 'y'}, Row{0x03, true, 'n'},
                         Row{0x04, false, 'y'}, Row{0x07, true, 'n'}, Row{0x0D, false, 'n'}}) {
    SCOPED_TRACE(static_cast<int>(row.flags));
    test::RecordBuilder builder(row.flags, 40);
    builder.Resident(0x30, test::FileNameBytes(5, 1, u"name"));
    const test::Bytes record = builder.Build();
    NtfsCandidates c;
    NoteNtfsSector(ByteView(record.data(), 512), 1000, record.data(), false, c);
    ASSERT_EQ(c.folders.size() + c.files.size(), 1u);
    EXPECT_EQ(c.folders.size(), row.folder ? 1u : 0u);
    EXPECT_EQ(row.folder ? c.folders[0].deleted : c.files[0].deleted, row.deleted);
    EXPECT_EQ(row.folder ? c.folders[0].ownKey : c.files[0].ownKey, 40u);
  }
}

// Records numbered by their neighbours on the disk: a stated number resets the
// count, and what follows the last folder (or file) keeps what it has.
TEST(NtfsExhaustiveTest, RecordsWithoutANumberTakeTheirNeighboursCount) {
  NtfsCandidates c;
  c.folders = {{.recordSector = 10}, {.ownKey = 40, .recordSector = 30}};
  c.files = {{.recordSector = 12}, {.recordSector = 20}, {.recordSector = 32}, {.ownKey = 7, .recordSector = 50}};
  WorkerHost host;
  NumberRecordsByDiskOrder(c, host);
  EXPECT_EQ(c.folders[0].ownKey, 1u);
  EXPECT_EQ(c.folders[1].ownKey, 40u);
  std::vector<uint32_t> files;
  for (const auto& f : c.files) files.push_back(f.ownKey);
  EXPECT_EQ(files, (std::vector<uint32_t>{2, 3, 0, 7}));
}

// Two folders whose first index blocks lie at 2848 and 2912 with index
// clusters 100 and 108 imply 8 sectors per cluster from sector 2048; a folder
// without an index allocation takes the file system of the one before it.
TEST(NtfsExhaustiveTest, FoldersWithIndexBlocksGiveStartAndClusterSize) {
  std::map<uint64_t, uint32_t> indexBlocks = {{2848, 64}, {2912, 65}};
  const SectorsRead read = [&](uint64_t first, uint32_t count, uint8_t* buffer) {
    std::memset(buffer, 0, size_t{count} * 512);
    auto found = indexBlocks.find(first);
    if (found == indexBlocks.end()) return;
    std::memcpy(buffer, "INDX", 4);
    const uint32_t firstEntry = 40, allocated = 4072;
    std::memcpy(buffer + 24, &firstEntry, 4);
    std::memcpy(buffer + 32, &allocated, 4);
    std::memcpy(buffer + 24 + firstEntry + 16, &found->second, 4);
  };
  NtfsCandidates c;
  c.folders = {{.ownKey = 64, .recordSector = 5000, .firstIndexCluster = 100},
               {.ownKey = 70, .recordSector = 5001},
               {.ownKey = 65, .recordSector = 5002, .firstIndexCluster = 108}};
  c.blocks = {{.sector = 2848, .directoryNumber = 64}, {.sector = 2912, .directoryNumber = 65}};
  WorkerHost host;
  const std::vector<NtfsFound> found = FindFileSystemsFromFolderPairs(c, read, 1'000'000, 1, host);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].start, 2048u);
  EXPECT_EQ(found[0].sectorsPerCluster, 8u);
  for (const auto& folder : c.folders) EXPECT_EQ(folder.fileSystemNumber, 1);
  // No second pair: the same folders confirm nothing more.
  EXPECT_TRUE(FindFileSystemsFromFolderPairs(c, read, 1'000'000, 2, host).empty());
}

// The records seen become an MFT's runs: each number where it lies, records
// that follow one another joined, unseen numbers, other file systems' records
// and second copies left out.
TEST(NtfsExhaustiveTest, RecordsSeenMapNumbersToSectors) {
  NtfsCandidates candidates;
  candidates.places = {{16, 1000}, {17, 1002}, {18, 1004}, {21, 2002}, {20, 2000},
                       {17, 5000}, {30, 9000}, {24, 7998}};
  const MftRunTable map = RecordMapOf(candidates, 0, 8000);
  const std::map<uint64_t, uint64_t> expected = {{5, 0},     {16, 1000}, {17, 1002}, {18, 1004}, {19, 0},
                                                 {20, 2000}, {21, 2002}, {22, 0},    {24, 7998}, {30, 0}};
  for (const auto& [number, sector] : expected) EXPECT_EQ(MftRecordSector(map, number), sector) << number;
  EXPECT_EQ(map.count(), 6u);  // sparse 0-15, 16-18, sparse 19, 20-21, sparse 22-23, 24
}

}  // namespace
}  // namespace vantor
