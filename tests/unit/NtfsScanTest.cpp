// The MFT run table and the NTFS scan on small volumes built in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ntfs/MftReading.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/NtfsScan.h"
#include "ntfs/RunTables.h"
#include "partition/BootValues.h"
#include "save/SaveTree.h"
#include "session/Session.h"
#include "support/MemoryDevice.h"
#include "support/NtfsRecordBuilder.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

using test::Bytes;
using test::FileNameBytes;
using test::ListEntry;
using test::RecordBuilder;
using test::StandardInfoBytes;

constexpr uint64_t kStart = 100;  // partition start
constexpr uint32_t kSpc = 2;      // one record per cluster
constexpr uint64_t kMftStart = kStart + 20;

// The MFT in three runs: clusters 10-17 (records 0-7), 40-43 (8-11), 30-31 (12-13).
const Bytes kMftRuns = {0x11, 0x08, 0x0A, 0x11, 0x04, 0x1E, 0x11, 0x02, 0xF6, 0x00};
const std::vector<DataRun> kMftTable = {
    {kStart + 20, 16, false}, {kStart + 80, 8, false}, {kStart + 60, 4, false}};

uint64_t SectorOf(uint32_t record) {
  if (record < 8) return kStart + 20 + 2 * record;
  if (record < 12) return kStart + 80 + 2 * (record - 8);
  return kStart + 60 + 2 * (record - 12);
}

Bytes Named(uint8_t flags, uint32_t parent, const std::u16string& name, uint32_t number) {
  RecordBuilder r(flags, number);
  r.Resident(kStandardInformation, StandardInfoBytes(1000 + number, 2000 + number, 3000 + number));
  r.Resident(kFileNameAttribute, FileNameBytes(parent, 3, name));
  return r.Build();
}

struct Volume {
  std::shared_ptr<test::MemoryDisk> disk = std::make_shared<test::MemoryDisk>();
  Session session;
  test::ScriptedHost host;

  Volume() {
    test::UseMemoryDisk(session, disk);
    session.setHost(&host);
    session.state.startSector = kStart;
    session.state.endSector = kStart + 200;
  }
  void Put(uint32_t number, const Bytes& record) {
    disk->Put(SectorOf(number), record.data(), record.size());
  }
  // Record 0 with the given data runs (and attribute list), the root, and files.
  void PutMft(const Bytes& runs, const Bytes& list = {}) {
    RecordBuilder mft(1, 0);
    mft.Resident(kStandardInformation, StandardInfoBytes(1, 2, 3));
    if (!list.empty()) mft.Resident(kAttributeList, list);
    mft.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"$MFT"));
    mft.NonResident(kDataAttribute, runs, 14 * 1024);
    Put(0, mft.Build());
    Put(5, Named(3, 5, u".", 5));
  }
  void PutFiles() {
    Put(8, Named(3, 5, u"Docs", 8));
    RecordBuilder small(1, 9);
    small.Resident(kStandardInformation, StandardInfoBytes(1009, 2009, 3009));
    small.Resident(kFileNameAttribute, FileNameBytes(8, 2, u"A.TXT"));
    small.Resident(kFileNameAttribute, FileNameBytes(8, 1, u"a.txt"));
    small.Resident(kDataAttribute, Bytes(5, 'a'));
    Put(9, small.Build());
    RecordBuilder old(0, 10);
    old.Resident(kFileNameAttribute, FileNameBytes(8, 3, u"old.bin"));
    old.NonResident(kDataAttribute, {0x11, 0x05, 0x32, 0x01, 0x03, 0x00}, 5000);
    Put(10, old.Build());
    Put(11, Named(2, 5, u"Gone", 11));
    // Record 12 keeps its name and data in extension record 13.
    Bytes list = ListEntry(kStandardInformation, 12);
    for (uint32_t type : {kFileNameAttribute, kDataAttribute}) {
      Bytes e = ListEntry(type, 13);
      list.insert(list.end(), e.begin(), e.end());
    }
    RecordBuilder base(1, 12);
    base.Resident(kStandardInformation, StandardInfoBytes(1012, 2012, 3012));
    base.Resident(kAttributeList, list);
    Put(12, base.Build());
    RecordBuilder extension(1, 13);
    extension.ExtensionOf(12);
    extension.Resident(kFileNameAttribute, FileNameBytes(8, 1, u"spread name.doc"));
    extension.Resident(kDataAttribute, Bytes(7, 'x'));
    Put(13, extension.Build());
  }
  NtfsScanOutcome Scan() {
    BuildMftRunTable(session, session.mftRunTable, kStart, kMftStart, kSpc);
    return NtfsScan(session, session.mftRunTable);
  }
};

std::vector<std::string> Listing(const RecoveryCatalog& catalog) {
  std::vector<std::string> lines;
  for (const auto& d : catalog.folders())
    lines.push_back("D " + std::string(1, d.deleted) + " " + std::to_string(d.ownKey) + " " +
                    std::to_string(d.parentKey) + " " + d.name.utf8());
  for (const auto& f : catalog.files())
    lines.push_back("F " + std::string(1, f.deleted) + " " + std::to_string(f.ownKey) + " " +
                    std::to_string(f.parentKey) + " " + std::to_string(f.size()) + " " + f.name.utf8());
  return lines;
}

const std::vector<std::string> kExpected = {
    "D n 8 5 Docs", "D y 11 5 Gone", "F n 0 5 14336 $MFT", "F n 9 8 5 a.txt", "F y 10 8 5000 old.bin",
    "F n 12 8 7 spread name.doc"};

TEST(NtfsScan, ReadsTheMftAcrossRunsInRecordOrder) {
  Volume volume;
  volume.PutMft(kMftRuns);
  volume.PutFiles();
  EXPECT_EQ(volume.Scan(), NtfsScanOutcome::kFinished);
  EXPECT_EQ(volume.session.mftRunTable.runs(), kMftTable);
  const RecoveryCatalog& catalog = volume.session.catalog;
  EXPECT_EQ(Listing(catalog), kExpected);
  EXPECT_EQ(catalog.bytesTotal, 14336u + 5 + 5000 + 7);
  const FileRecord& small = catalog.files()[1];
  EXPECT_EQ(small.modified, (RecordTime{2009, 0}));
  EXPECT_EQ(small.created, (RecordTime{1009, 0}));
  EXPECT_EQ(small.accessed, (RecordTime{3009, 0}));
  EXPECT_EQ(catalog.files()[3].modified, (RecordTime{2012, 0}));  // the base record's times
  // The bar shows the share of the MFT's records read: the last one listed is
  // record 12, the 13th of 14.
  EXPECT_EQ(volume.host.progressRange, 100u);
  EXPECT_EQ(volume.host.lastProgress, 100u * 13 / 14);

  // The saver's runs: a non-resident file with a sparse tail, and a folder.
  MftRunTable runs = BuildRunTable(volume.session, volume.session.mftRunTable, kStart, SectorOf(10), 'F', kSpc);
  EXPECT_EQ(runs.runs(), (std::vector<DataRun>{{kStart + 100, 10, false}, {0, 6, true}}));
  EXPECT_EQ(MftRecordSector(volume.session.mftRunTable, 12), SectorOf(12));
  EXPECT_TRUE(BuildRunTable(volume.session, volume.session.mftRunTable, kStart, SectorOf(12), 'F', kSpc).empty());
}

TEST(NtfsScan, FollowsAnMftDescribedByAnAttributeList) {
  Volume volume;
  Bytes list;
  for (auto [type, record] : {std::pair{kStandardInformation, 0u}, {kDataAttribute, 0u}, {kDataAttribute, 7u}}) {
    Bytes e = ListEntry(type, record);
    list.insert(list.end(), e.begin(), e.end());
  }
  volume.PutMft({0x11, 0x08, 0x0A, 0x00}, list);
  // Record 7 holds the second extent; its run list starts from cluster 0 again.
  RecordBuilder extent(1, 7);
  extent.NonResident(kDataAttribute, {0x11, 0x04, 0x28, 0x11, 0x02, 0xF6, 0x00}, 0);
  volume.Put(7, extent.Build());
  volume.PutFiles();
  EXPECT_EQ(volume.Scan(), NtfsScanOutcome::kFinished);
  EXPECT_EQ(volume.session.mftRunTable.runs(), kMftTable);
  EXPECT_EQ(Listing(volume.session.catalog), kExpected);
}

TEST(NtfsScan, DamagedMftTablesStayFinite) {
  // Runs that loop back over sectors already mapped, or run off the volume,
  // end the table there.
  const Bytes damaged[] = {{0x11, 0x08, 0x0A, 0x11, 0x08, 0x00, 0x00},
                           {0x11, 0x08, 0x0A, 0x11, 0x10, 0xFC, 0x00},
                           {0x11, 0x08, 0x0A, 0x48, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x10, 0x00},
                           {0x11, 0x08, 0x0A, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00}};
  for (const Bytes& runs : damaged) {
    Volume volume;
    volume.PutMft(runs);
    volume.Scan();
    EXPECT_EQ(volume.session.mftRunTable.runs(), (std::vector<DataRun>{{kStart + 20, 16, false}}));
  }
  // A non-resident attribute list that maps no sector.
  Volume emptyList;
  emptyList.PutMft(kMftRuns);
  RecordBuilder mft(1, 0);
  mft.NonResident(kAttributeList, {0x00}, 100);
  mft.NonResident(kDataAttribute, kMftRuns, 14 * 1024);
  emptyList.Put(0, mft.Build());
  emptyList.Scan();
  EXPECT_EQ(emptyList.session.mftRunTable.runs(), kMftTable);
  // An attribute list of record 0 that names only record 0 itself.
  Volume self;
  self.PutMft(kMftRuns, ListEntry(kDataAttribute, 0));
  self.PutFiles();
  self.Scan();
  EXPECT_EQ(self.session.mftRunTable.runs(), kMftTable);
}

// A volume of 4096-byte records (one 4 KiB cluster each), as the boot sector
// says: records are numbered by that size and walked to their own end, past
// the first 1024 bytes. A boot sector that gives 4096-byte sectors is refused.
TEST(NtfsScan, RecordsOfFourKibibytesKeepTheirNumbers) {
  constexpr size_t kBytes = 4096;
  constexpr uint32_t kPerRecord = kBytes / 512;
  constexpr uint64_t kMftAt = kStart + 10 * kPerRecord;  // cluster 10
  Volume volume;
  volume.session.state.geometry.sectorsPerMftRecord = kPerRecord;
  const auto put = [&](uint32_t number, RecordBuilder& record) {
    Bytes bytes = record.Build();
    volume.disk->Put(kMftAt + uint64_t{number} * kPerRecord, bytes.data(), bytes.size());
  };
  RecordBuilder mft(1, 0, kBytes);
  mft.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"$MFT"));
  mft.NonResident(kDataAttribute, {0x11, 0x08, 0x0A, 0x00}, 8 * kBytes);  // clusters 10-17: records 0-7
  put(0, mft);
  RecordBuilder root(3, 5, kBytes);
  root.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"."));
  put(5, root);
  RecordBuilder folder(3, 6, kBytes);
  folder.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"Letters"));
  put(6, folder);
  RecordBuilder file(1, 7, kBytes);
  file.Resident(kDataAttribute, Bytes(1500, 's'), u"stream");  // pushes the name past byte 1024
  file.Resident(kFileNameAttribute, FileNameBytes(6, 3, u"far name.txt"));
  file.Resident(kDataAttribute, Bytes(3, 'x'));
  put(7, file);
  BuildMftRunTable(volume.session, volume.session.mftRunTable, kStart, kMftAt, kPerRecord);
  EXPECT_EQ(NtfsScan(volume.session, volume.session.mftRunTable), NtfsScanOutcome::kFinished);
  EXPECT_EQ(Listing(volume.session.catalog),
            (std::vector<std::string>{"D n 6 5 Letters", "F n 0 5 32768 $MFT", "F n 7 6 3 far name.txt",
                                      "F n 7 6 1500 far name.txt:stream"}));
  EXPECT_EQ(MftRecordSector(volume.session.mftRunTable, 7), kMftAt + 7 * kPerRecord);

  Bytes boot(512, 0);
  std::memcpy(boot.data() + 3, "NTFS", 4);
  test::Put16(boot, 11, 4096);
  boot[13] = 1;
  boot[510] = 0x55, boot[511] = 0xAA;
  volume.disk->Put(kStart, boot.data(), boot.size());
  volume.session.state.fileSystemName = u"NTFS";
  std::string refusal;
  EXPECT_EQ(ReadBootValues(volume.session, &refusal), 0u);
  EXPECT_EQ(refusal, "the NTFS volume has sectors of 4096 bytes; only 512-byte sectors are read");
}

// Every name of a record is listed but a DOS name beside a Win32 one in the
// same folder; a deleted record whose folder's record now holds a folder of
// another sequence goes under "Lost" (a deleted folder may stand one above).
TEST(NtfsScan, HardLinksAndReusedFolderRecords) {
  struct Name {
    uint32_t parent;
    uint8_t nameSpace;
    std::u16string name;
    uint16_t parentSequence;
  };
  struct Row {
    uint32_t number;
    uint8_t flags;
    uint16_t sequence;
    std::vector<Name> names;
  };
  const Row rows[] = {
      {6, 3, 4, {{5, 3, u"Now", 1}}},
      {7, 0, 2, {{6, 3, u"was elsewhere.txt", 1}}},
      {8, 0, 2, {{6, 3, u"was here.txt", 4}}},
      {9, 2, 3, {{5, 3, u"Gone", 1}}},
      {10, 0, 2, {{9, 3, u"went with it.txt", 2}}},
      {11, 1, 1, {{6, 2, u"LONGNA~1.TXT", 4}, {6, 1, u"Long Name.txt", 4}, {9, 0, u"link.txt", 3},
                  {6, 1, u"Long Name.txt", 4}, {5, 2, u"ROOT.TXT", 1}}},
  };
  Volume volume;
  constexpr uint64_t kMftAt = kStart + 20;
  RecordBuilder mft(1, 0);
  mft.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"$MFT"));
  mft.NonResident(kDataAttribute, {0x11, 0x10, 0x0A, 0x00}, 16 * 1024);  // clusters 10-25: records 0-15
  volume.disk->Put(kMftAt, mft.Build().data(), 1024);
  RecordBuilder root(3, 5);
  root.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"."));
  volume.disk->Put(kMftAt + 10, root.Build().data(), 1024);
  for (const Row& row : rows) {
    RecordBuilder record(row.flags, row.number);
    for (const Name& name : row.names)
      record.Resident(kFileNameAttribute, FileNameBytes(name.parent, name.nameSpace, name.name, name.parentSequence));
    Bytes bytes = record.Build();
    test::Put16(bytes, 16, row.sequence);
    volume.disk->Put(kMftAt + 2 * uint64_t{row.number}, bytes.data(), bytes.size());
  }
  ASSERT_TRUE(BuildMftRunTable(volume.session, volume.session.mftRunTable, kStart, kMftAt, kSpc));
  EXPECT_EQ(NtfsScan(volume.session, volume.session.mftRunTable), NtfsScanOutcome::kFinished);
  const std::vector<std::string> expected = {
      "D n 6 5 Now", "D y 9 5 Gone", "D n 268435455 5 Lost", "F n 0 5 16384 $MFT", "F y 7 268435455 0 was elsewhere.txt",
      "F y 8 6 0 was here.txt", "F y 10 9 0 went with it.txt", "F n 11 6 0 Long Name.txt", "F n 11 9 0 link.txt",
      "F n 11 5 0 ROOT.TXT"};
  EXPECT_EQ(Listing(volume.session.catalog), expected);
}

TEST(NtfsScan, NothingFoundHandsOverToTheExhaustiveScan) {
  Volume volume;
  volume.PutMft(kMftRuns);
  volume.disk->sector(SectorOf(0))[0] = 'X';  // record 0 is no file record
  EXPECT_EQ(volume.Scan(), NtfsScanOutcome::kSwitchToExhaustive);
  EXPECT_TRUE(volume.session.mftRunTable.empty());
  EXPECT_EQ(volume.host.Count(std::string("message:") + kNtfsSwitchMessage), 1);
  EXPECT_EQ(volume.host.Count(std::string("caption1052:") + kCurrentSectorLabel), 1);
  EXPECT_TRUE(volume.session.catalog.files().empty());
}

// A file whose data was never written past its initialized size (a file
// extended without writing, as Windows leaves it) is saved with zeros there,
// whatever its clusters hold.
TEST(NtfsSaveTest, BytesPastTheInitializedSizeAreZeros) {
  Volume volume;
  volume.PutMft(kMftRuns);
  RecordBuilder file(1, 7);
  file.Resident(kStandardInformation, StandardInfoBytes(1, 2, 3));
  file.Resident(kFileNameAttribute, FileNameBytes(5, 3, u"grown.bin"));
  const size_t data = file.NonResident(kDataAttribute, {0x11, 0x03, 0x46, 0x00}, 3000);  // clusters 70-72
  Bytes record = file.Build();
  test::Put64(record, data + 56, 1000);
  volume.Put(7, record);
  const Bytes stale(3 * 1024, 'q');
  volume.disk->Put(kStart + 140, stale.data(), stale.size());
  ASSERT_EQ(volume.Scan(), NtfsScanOutcome::kFinished);
  volume.session.state.fileSystemName = u"NTFS";
  volume.session.state.geometry.clusterBase = kStart;
  volume.session.state.geometry.sectorsPerCluster = kSpc;
  const FileRecord* grown = nullptr;
  for (const FileRecord& f : volume.session.catalog.files())
    if (f.name.utf8() == "grown.bin") grown = &f;
  ASSERT_NE(grown, nullptr);
  test::TempDir out;
  std::string problem;
  volume.session.savingRun.destination = std::make_shared<DestinationTree>(OpenDestination(out.path(), {}, problem));
  ASSERT_TRUE(SaveCatalogFile(volume.session, out / "grown.bin", *grown, false));
  Bytes expected(3000, 0);
  std::fill(expected.begin(), expected.begin() + 1000, 'q');
  EXPECT_EQ(test::ReadFile(out / "grown.bin"), expected);
}

}  // namespace
}  // namespace vantor
