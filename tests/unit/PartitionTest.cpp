#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "partition/BootValues.h"
#include "partition/PartitionPanel.h"
#include "partition/PartitionRange.h"
#include "partition/PartitionTable.h"
#include "session/Session.h"
#include "support/FatImage.h"
#include "support/ScriptedHost.h"

namespace vantor {
namespace {

using test::MemoryDisk;

void PutEntry(MemoryDisk& disk, uint64_t sector, int slot, uint8_t type, uint32_t first, uint32_t count) {
  auto& bytes = disk.sector(sector);
  uint8_t* entry = bytes.data() + 446 + slot * 16;
  entry[4] = type;
  std::memcpy(entry + 8, &first, 4);
  std::memcpy(entry + 12, &count, 4);
  bytes[510] = 0x55;
  bytes[511] = 0xAA;
}

void PutText(MemoryDisk& disk, uint64_t sector, size_t at, const char* text) {
  std::memcpy(disk.sector(sector).data() + at, text, std::strlen(text));
}

struct Listing {
  std::shared_ptr<MemoryDisk> disk = std::make_shared<MemoryDisk>();
  Session session;
  test::ScriptedHost host;
  Listing() {
    test::UseMemoryDisk(session, disk);
    session.setHost(&host);
  }
  std::vector<std::string> Texts() {
    ListPartitions(session, session.partitions);
    std::vector<std::string> texts;
    for (const auto& e : session.partitions)
      texts.push_back(e.treeText + " " + std::to_string(e.startSector) + "-" + std::to_string(e.endSector));
    return texts;
  }
};

TEST(PartitionTest, PrimariesAreNamedBySignatureFirstThenByType) {
  Listing l;
  PutEntry(*l.disk, 0, 0, 0x01, 100, 50);   // FAT16 text wins over nothing
  PutText(*l.disk, 100, 54, "FAT16");
  PutEntry(*l.disk, 0, 1, 0x0C, 200, 50);   // no text: type 0x0C
  PutEntry(*l.disk, 0, 2, 0x83, 300, 50);   // Linux type, but an NTFS boot sector
  PutText(*l.disk, 300, 3, "NTFS");
  PutEntry(*l.disk, 0, 3, 0x83, 400, 50);   // nothing: passed over, with a trace
  EXPECT_EQ(l.Texts(), (std::vector<std::string>{"Partition - 1 ( FAT16 ) 100-150", "Partition - 2 ( FAT32 ) 200-250",
                                                 "Partition - 3 ( NTFS ) 300-350"}));
  EXPECT_EQ(l.host.traces.size(), 1u);

  // exFAT, typed 0x07 as NTFS is, is named by its boot sector.
  Listing exfat;
  PutEntry(*exfat.disk, 0, 0, 0x07, 100, 50);
  PutText(*exfat.disk, 100, 3, "EXFAT   ");
  EXPECT_EQ(exfat.Texts(), std::vector<std::string>{"Partition - 1 ( exFAT ) 100-150"});
}

TEST(PartitionTest, EitherSignatureByteIsEnoughAndNeitherListsNothing) {
  Listing l;
  PutEntry(*l.disk, 0, 0, 0x06, 100, 50);
  l.disk->sector(0)[511] = 0x00;
  EXPECT_EQ(l.Texts().size(), 1u);
  l.disk->sector(0)[510] = 0x00;
  l.disk->sector(0)[511] = 0xAA;
  EXPECT_EQ(l.Texts().size(), 1u);
  l.disk->sector(0)[511] = 0x00;
  EXPECT_TRUE(l.Texts().empty());
}

TEST(PartitionTest, SingleVolumeTestsOverrideInOrderAndSmallFatTakesItsShortCount) {
  Listing l;
  auto& s0 = l.disk->sector(0);
  s0[510] = 0x55;
  s0[511] = 0xAA;
  PutText(*l.disk, 0, 54, "FAT16   ");
  s0[19] = 0x60;  // 16-bit count 0xEA60 = 60000, 32-bit count 0
  s0[20] = 0xEA;
  EXPECT_EQ(l.Texts(), std::vector<std::string>{"Partition - 1 ( FAT16 ) 0-60000"});
  PutText(*l.disk, 0, 3, "NTFS");
  uint64_t total = 0x1'2345'6789ull;  // past 2^32: kept whole
  std::memcpy(s0.data() + 40, &total, 8);
  EXPECT_EQ(l.Texts(), std::vector<std::string>{"Partition - 1 ( NTFS ) 0-" + std::to_string(total)});
  PutText(*l.disk, 0, 54, "FAT12   ");
  PutText(*l.disk, 0, 3, "MSDOS");
  EXPECT_EQ(l.Texts(), std::vector<std::string>{"Partition - 1 ( FAT12 ) 0-60000"});
}

TEST(PartitionTest, ExtendedChainCountsLinksFromTheBaseAndNumbersGoOn) {
  Listing l;
  PutEntry(*l.disk, 0, 0, 0x06, 63, 1000);
  PutEntry(*l.disk, 0, 1, 0x05, 9000, 100);   // replaced by the later extended entry
  PutEntry(*l.disk, 0, 2, 0x0F, 2000, 10000);
  // First record: link in slot 2, data in slot 4 (both honoured).
  PutEntry(*l.disk, 2000, 1, 0x05, 3000, 500);
  PutEntry(*l.disk, 2000, 3, 0x0B, 63, 400);
  // Second record at base + 3000: data relative to itself, then a link back to
  // the first record, which is refused.
  PutEntry(*l.disk, 5000, 0, 0x0E, 63, 300);
  PutEntry(*l.disk, 5000, 1, 0x05, 0, 1);
  EXPECT_EQ(l.Texts(), (std::vector<std::string>{"Partition - 1 ( FAT16 ) 63-1063", "Partition - 2 ( FAT32 ) 2063-2463",
                                                 "Partition - 3 ( FAT16 ) 5063-5363"}));
  EXPECT_EQ(l.host.traces.size(), 1u);
}

TEST(PartitionTest, LogicalPartitionsPast2TiBAndTheListingLimit) {
  Listing l;
  PutEntry(*l.disk, 0, 0, 0x05, 0xF0000000u, 0x20000000u);
  // A chain of 30 records, each holding one FAT32 partition and a link on.
  for (uint64_t i = 0; i < 30; ++i) {
    uint64_t record = 0xF0000000ull + i * 0x1000000ull;
    PutEntry(*l.disk, record, 0, 0x0B, 0x100, 0x200);
    PutEntry(*l.disk, record, 1, 0x05, static_cast<uint32_t>((i + 1) * 0x1000000ull), 1);
  }
  auto texts = l.Texts();
  ASSERT_EQ(texts.size(), kMaxPartitions);
  const PartitionEntry& last = l.session.partitions.back();
  EXPECT_EQ(last.startSector, 0xF0000000ull + 25 * 0x1000000ull + 0x100);
  EXPECT_GT(last.startSector, 0xFFFFFFFFull);
  EXPECT_EQ(last.endSector - last.startSector, 0x200u);
}

TEST(PartitionTest, PanelTextsAndPieShares) {
  EXPECT_EQ(PartitionSizeText(1048575), "");
  EXPECT_EQ(PartitionSizeText(1048576), "1 MB");
  EXPECT_EQ(PartitionSizeText(1ull << 30), "1024 MB");
  EXPECT_EQ(PartitionSizeText((1ull << 30) + (1ull << 20) * 512), "1.500 GB");
  PartitionEntry e{"FAT32", "Partition - 1 ( FAT32 )", 2048, 2048 + 204800, ""};
  PartitionPanel panel = PanelValues(e);
  EXPECT_EQ(panel.partitionSize, "100 MB");
  EXPECT_EQ(panel.endSector, "206848");
  EXPECT_EQ(Step2LogLines(e, false).back(), "Search Exhaustive : Not Checked");
  std::vector<PartitionEntry> entries{
      {"FAT16", "", 0, 2500, ""}, {"FAT32", "", 2500, 5000, ""}, {"NTFS", "", 5000, 6000, ""}};
  auto shares = PartitionShares(entries, 10000 * 512ull);
  ASSERT_EQ(shares.size(), 3u);
  EXPECT_EQ(shares[0].label, "Partition1");
  EXPECT_EQ(shares[0].share + shares[1].share, 50);
  EXPECT_EQ(shares[2].share, 50);  // the space after the partitions counts toward the last
  EXPECT_EQ(PartitionShares({entries[0]}, 1).front().share, 100);
  // Entries claiming more than the disk, or a disk of unknown size, never give negative shares.
  EXPECT_EQ(PartitionShares(entries, 512).back().share, 0);
  EXPECT_EQ(PartitionShares(entries, 0).back().share, 100);
}

struct Boot {
  std::shared_ptr<MemoryDisk> disk = std::make_shared<MemoryDisk>();
  Session session;
  explicit Boot(const char16_t* name, uint64_t start, uint64_t end = 0) {
    test::UseMemoryDisk(session, disk);
    session.state.fileSystemName = name;
    session.state.startSector = start;
    session.state.endSector = end;
  }
};

TEST(BootValuesTest, Fat16NeedsTheSecondFatMarkAndGivesTheGeometry) {
  Boot b(u"FAT16", 1000);
  test::FatImage16 image(*b.disk, 1000, 4);
  ASSERT_EQ(ReadBootValues(b.session), 1u);
  const VolumeGeometry& g = b.session.state.geometry;
  EXPECT_EQ(g.firstFatSector, 1001u);
  EXPECT_EQ(g.secondFatSector, 1005u);
  EXPECT_EQ(g.rootStart, 1009u);
  EXPECT_EQ(g.rootDirSectors, 4u);
  EXPECT_EQ(g.clusterBase, 1009 + 4 - 8);
  EXPECT_EQ(static_cast<uint64_t>(g.clusterBase) + 2 * 4, image.ClusterSector(2));
  b.disk->sector(1005)[0] = 0xF0;
  EXPECT_EQ(ReadBootValues(b.session), 0u);
  EXPECT_EQ(b.session.state.bootValuesValid, 0);
  EXPECT_EQ(b.session.state.geometry.rootStart, 1009u);  // kept from the last success
  b.disk->sector(1005)[0] = 0xF8;
  b.disk->sector(1000)[13] = 3;  // not a cluster size
  EXPECT_EQ(ReadBootValues(b.session), 0u);
}

TEST(BootValuesTest, Fat12FloppyMediaByteAndFat32Backup) {
  Boot floppy(u"FAT12", 0);
  test::FatImage16 image(*floppy.disk, 0, 1);
  floppy.disk->sector(0)[21] = 0xF0;
  floppy.disk->sector(1 + 4)[0] = 0xF0;
  EXPECT_EQ(ReadBootValues(floppy.session), 1u);
  floppy.disk->sector(1 + 4)[0] = 0xF8;  // does not match the media byte
  EXPECT_EQ(ReadBootValues(floppy.session), 0u);

  Boot b(u"FAT32", 64);
  auto& backup = b.disk->sector(64 + 6);
  backup[13] = 8;
  backup[14] = 32;     // reserved
  backup[36] = 100;    // sectors per FAT
  backup[44] = 2;      // root cluster
  backup[510] = 0x55;
  backup[511] = 0xAA;
  b.disk->sector(64 + 32 + 100)[0] = 0xF8;
  b.disk->sector(64) = std::vector<uint8_t>(512, 0x5A);  // damaged boot sector, no mark
  ASSERT_EQ(ReadBootValues(b.session), 1u);
  EXPECT_EQ(b.session.state.geometry.rootStart, 2u);
  EXPECT_EQ(b.session.state.geometry.clusterBase, 64 + 32 + 200 - 16);
  // A boot sector with its mark but values that miss the second FAT: the backup's values.
  b.disk->sector(64) = backup;
  b.disk->sector(64)[36] = 50;
  ASSERT_EQ(ReadBootValues(b.session), 1u);
  EXPECT_EQ(b.session.state.geometry.sectorsPerFat, 100u);
}

TEST(BootValuesTest, NtfsTakesTheBackupCopyAtThePartitionsLastSector) {
  Boot b(u"NTFS", 2048, 2048 + 10000);
  std::vector<uint8_t> boot(512, 0);
  std::memcpy(boot.data() + 3, "NTFS    ", 8);
  boot[13] = 8;
  boot[48] = 4;     // MFT at cluster 4
  boot[56] = 100;   // mirror at cluster 100
  boot[64] = 0xF6;
  boot[68] = 1;
  boot[510] = 0x55;
  boot[511] = 0xAA;
  b.disk->sector(2048 + 9999) = boot;
  b.disk->sector(2048) = std::vector<uint8_t>(512, 0);  // damaged
  std::memcpy(b.disk->sector(2048 + 32).data(), "FILE0", 5);
  ASSERT_EQ(ReadBootValues(b.session), 1u);
  const VolumeGeometry& g = b.session.state.geometry;
  EXPECT_EQ(g.mftSector, 2048u + 32);
  EXPECT_EQ(g.mftMirrorSector, 0u);  // not confirmed
  EXPECT_EQ(g.sectorsPerMftRecord, 2u);
  EXPECT_EQ(g.sectorsPerIndexRecord, 8u);
  EXPECT_EQ(g.clusterBase, 2048);
  // Neither table confirmed: the boot sector still holds, and with no MFT to
  // map the scan finds nothing and turns exhaustive.
  b.disk->sector(2048 + 32)[0] = 'X';
  EXPECT_EQ(ReadBootValues(b.session), 1u);
  EXPECT_EQ(g.mftSector, 0u);
  std::memcpy(b.disk->sector(2048 + 32).data(), "FILE0", 5);
  b.disk->sector(2048 + 9999)[64] = 3;  // 3 * 8 sectors per record: refused
  EXPECT_EQ(ReadBootValues(b.session), 0u);
}

// A GPT of one FAT32 partition at sector 100 named "ESP": header at `lba`, its
// copy named at `other`, entries (4 of 128 bytes) at `entries`.
void PutGpt(MemoryDisk& disk, uint64_t lba, uint64_t other, uint64_t entries) {
  std::vector<uint8_t> array(4 * 128, 0);
  array[0] = 0x28;  // any nonzero type GUID
  const uint64_t first = 100, last = 199;
  std::memcpy(array.data() + 32, &first, 8);
  std::memcpy(array.data() + 40, &last, 8);
  const char16_t name[] = u"ESP";
  for (size_t i = 0; i < 3; ++i) array[56 + 2 * i] = static_cast<uint8_t>(name[i]);
  disk.Put(entries, array.data(), array.size());
  std::vector<uint8_t> header(512, 0);
  std::memcpy(header.data(), "EFI PART", 8);
  const uint32_t size = 92, count = 4, entrySize = 128;
  const auto arrayCrc = static_cast<uint32_t>(crc32(0, array.data(), static_cast<uInt>(array.size())));
  std::memcpy(header.data() + 12, &size, 4);
  std::memcpy(header.data() + 24, &lba, 8);
  std::memcpy(header.data() + 32, &other, 8);
  std::memcpy(header.data() + 72, &entries, 8);
  std::memcpy(header.data() + 80, &count, 4);
  std::memcpy(header.data() + 84, &entrySize, 4);
  std::memcpy(header.data() + 88, &arrayCrc, 4);
  const auto crc = static_cast<uint32_t>(crc32(0, header.data(), size));
  std::memcpy(header.data() + 16, &crc, 4);
  disk.Put(lba, header.data(), header.size());
}

// A protective MBR over 1000 sectors and a GPT with its copy at sector 999; the
// primary header or array damaged, the copy takes over; both damaged, the MBR's
// own entries are all that is left. A hybrid MBR's FAT16 entry gives way to the GPT.
TEST(PartitionTest, GuidTablesAndTheirCopy) {
  enum class Damage { kNone, kHeader, kEntries, kBoth };
  for (Damage damage : {Damage::kNone, Damage::kHeader, Damage::kEntries, Damage::kBoth}) {
    Listing l;
    PutEntry(*l.disk, 0, 0, 0xEE, 1, 999);
    PutEntry(*l.disk, 0, 1, 0x06, 300, 50);
    PutText(*l.disk, 300, 54, "FAT16");
    PutText(*l.disk, 100, 82, "FAT32");
    PutGpt(*l.disk, 1, 999, 2);
    PutGpt(*l.disk, 999, 1, 995);
    if (damage == Damage::kHeader || damage == Damage::kBoth) l.disk->sector(1)[30] ^= 1;
    if (damage == Damage::kEntries) l.disk->sector(2)[40] ^= 1;
    if (damage == Damage::kBoth) l.disk->sector(995)[40] ^= 1;
    const std::vector<std::string> texts = l.Texts();
    if (damage == Damage::kBoth) {
      EXPECT_EQ(texts, std::vector<std::string>{"Partition - 1 ( FAT16 ) 300-350"});
      continue;
    }
    EXPECT_EQ(texts, std::vector<std::string>{"Partition - 1 ( FAT32 ) 100-200"}) << static_cast<int>(damage);
    EXPECT_EQ(l.session.partitions[0].tableName, "ESP");
    EXPECT_EQ(!l.host.calls.empty(), damage != Damage::kNone) << static_cast<int>(damage);
  }
  // Past 2 TiB the protective entry stops at 2^32 - 1 sectors: the copy is found
  // at the disk's own last sector.
  Listing big;
  const uint64_t last = 5'000'000'000 - 1;
  big.disk->sizeSectors = last + 1;
  PutEntry(*big.disk, 0, 0, 0xEE, 1, 0xFFFFFFFF);
  PutText(*big.disk, 100, 82, "FAT32");
  PutGpt(*big.disk, last, 1, last - 32);
  EXPECT_EQ(big.Texts(), std::vector<std::string>{"Partition - 1 ( FAT32 ) 100-200"});
}

// Step 2 (a)'s checks in their order, each writing what passed before it; 64-bit
// sectors; UNKNOWN only for raw recovery and imaging, leaving the name alone.
TEST(PartitionTest, RangeEnteredByHand) {
  struct Case {
    RangeInput input;
    RecoveryMode mode;
    std::string message;
    uint64_t start, end;
    std::u16string name;
  };
  const std::vector<Case> cases = {
      {{"x", "9", "FAT32"}, RecoveryMode::kFileSystem, "Start sector is not valid.", 1, 2, u"NTFS"},
      {{"", "9", "FAT32"}, RecoveryMode::kFileSystem, "Start sector is not valid.", 1, 2, u"NTFS"},
      {{"5", "-9", "FAT32"}, RecoveryMode::kFileSystem, "End sector is not valid.", 5, 2, u"NTFS"},
      {{"9", "9", "FAT32"}, RecoveryMode::kFileSystem, "End sector should be bigger than start sector.", 9, 9, u"NTFS"},
      {{"5", "9", "EXT4"}, RecoveryMode::kFileSystem, "Select partition type.", 5, 9, u"NTFS"},
      {{"5", "9", "UNKNOWN"}, RecoveryMode::kFileSystem, "Select partition type.", 5, 9, u"NTFS"},
      {{"5", "9", "UNKNOWN"}, RecoveryMode::kRawChosen, "", 5, 9, u"NTFS"},
      {{"8589934592", "17179869184", "FAT12"}, RecoveryMode::kFileSystem, "", 1ull << 33, 1ull << 34, u"FAT12"},
  };
  for (const Case& c : cases) {
    RecoveryState state;
    state.startSector = 1;
    state.endSector = 2;
    state.fileSystemName = u"NTFS";
    state.mode = c.mode;
    EXPECT_EQ(AcceptPartitionRange(state, c.input), c.message) << c.input.startText << " " << c.input.fileSystem;
    EXPECT_EQ(state.startSector, c.start) << c.input.startText;
    EXPECT_EQ(state.endSector, c.end) << c.input.startText;
    EXPECT_EQ(state.fileSystemName, c.name) << c.input.startText;
  }
  EXPECT_EQ(PartitionRangeLogLines({"2048", "4096", "FAT32"}, "FAT32"),
            (std::vector<std::string>{"Partition Range Information : ", "Starting Range : 2048",
                                      "Ending Range : 4096", "File System : FAT32"}));
}

}  // namespace
}  // namespace vantor
