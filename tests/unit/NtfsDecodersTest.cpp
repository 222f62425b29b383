// The NTFS record decoders on records built byte by byte.
#include <gtest/gtest.h>

#include "ntfs/DataAttribute.h"
#include "ntfs/DataRuns.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileName.h"
#include "ntfs/IndexDecoders.h"
#include "ntfs/Lznt1.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"
#include "support/NtfsRecordBuilder.h"

namespace vantor {
namespace {

using test::Bytes;
using test::FileNameBytes;
using test::ListEntry;
using test::Put16;
using test::Put32;
using test::Put64;
using test::RecordBuilder;
using test::StandardInfoBytes;

ByteView View(const Bytes& b) { return ByteView(b.data(), b.size()); }

Bytes Restored(Bytes record) {
  RestoreUpdateSequence(record.data(), record.size());
  return record;
}

TEST(NtfsUpdateSequence, RestoresEverySectorTheArrayCovers) {
  RecordBuilder builder(1);
  builder.bytes()[510] = 0xAB;
  builder.bytes()[1022] = 0xCD;
  Bytes restored = Restored(builder.Build());
  EXPECT_EQ(restored[510], 0xAB);
  EXPECT_EQ(restored[1022], 0xCD);

  // An index block of 8 sectors: all 8 sector ends come back, the last included.
  Bytes block(4096, 0);
  std::memcpy(block.data(), "INDX", 4);
  Put16(block, 4, 40);
  Put16(block, 6, 9);
  for (int s = 0; s < 8; ++s) {
    Put16(block, 42 + 2 * s, static_cast<uint16_t>(0x1100 + s));
    Put16(block, 510 + 512 * s, 0x0707);
  }
  RestoreUpdateSequence(block.data(), block.size());
  for (int s = 0; s < 8; ++s) EXPECT_EQ(ByteView(block.data(), block.size()).le16(510 + 512 * s), 0x1100 + s);

  // Only the length given is touched, and an array outside it restores nothing.
  Bytes first = builder.Build();
  RestoreUpdateSequence(first.data(), 512);
  EXPECT_EQ(first[510], 0xAB);
  EXPECT_EQ(first[1022], 0x01);
  Bytes wild = builder.Build();
  Put16(wild, 4, 1020);
  Put16(wild, 6, 40);
  Bytes before = wild;
  RestoreUpdateSequence(wild.data(), wild.size());
  EXPECT_EQ(wild, before);
}

TEST(NtfsFileName, PrefersWin32AndReadsTheTimes) {
  RecordBuilder builder(1);
  builder.Resident(kStandardInformation, StandardInfoBytes(111, 222, 333));
  builder.Resident(kFileNameAttribute, FileNameBytes(40, 2, u"LONGNA~1.TXT"));
  builder.Resident(kFileNameAttribute, FileNameBytes(40, 1, u"long name.txt"));
  Bytes record = Restored(builder.Build());
  FileNameValue name;
  StandardTimes times;
  ASSERT_TRUE(PickFileName(View(record), WalkVariant::kNormalScan, name, times));
  EXPECT_EQ(name.name, u"long name.txt");
  EXPECT_EQ(name.parentNumber, 40u);
  EXPECT_EQ(times.creation, 111u);
  EXPECT_EQ(times.modification, 222u);
  EXPECT_EQ(times.access, 333u);

  RecordBuilder dosOnly(1);
  dosOnly.Resident(kFileNameAttribute, FileNameBytes(7, 2, u"SHORT.TXT"));
  dosOnly.Resident(kFileNameAttribute, FileNameBytes(9, 1, u"named"), u"x");  // named: not a file name
  record = Restored(dosOnly.Build());
  ASSERT_TRUE(PickFileName(View(record), WalkVariant::kExhaustiveScan, name, times));
  EXPECT_EQ(name.name, u"SHORT.TXT");

  RecordBuilder none(1);
  none.Resident(kStandardInformation, StandardInfoBytes(1, 2, 3));
  record = Restored(none.Build());
  name.parentNumber = 99;
  EXPECT_FALSE(PickFileName(View(record), WalkVariant::kNormalScan, name, times));
  EXPECT_TRUE(name.name.empty());
  EXPECT_EQ(name.parentNumber, 0u);
}

TEST(NtfsFileName, StaysInsideTheRecord) {
  // A name that runs to the record's end is cut there, not read beyond.
  RecordBuilder builder(1);
  const uint32_t filler = 1024 - 56 - 110;  // leaves room for 10 characters
  builder.Raw(Bytes(filler, 0x20));
  Put32(builder.bytes(), 56, 0x40);
  Put32(builder.bytes(), 60, filler);
  builder.Resident(kFileNameAttribute, FileNameBytes(5, 1, std::u16string(40, u'n')));
  Bytes record = Restored(builder.Build());
  FileNameValue name;
  StandardTimes times;
  ASSERT_TRUE(FindFileName(View(record), 1, WalkVariant::kExhaustiveScan, name, times));
  EXPECT_EQ(name.name.size(), 10u);
  EXPECT_EQ(name.parentNumber, 5u);

  // Attribute length 0, or one that points past the record: not found, no read outside.
  for (uint32_t length : {0u, 0x7FFFFFF0u, 2000u}) {
    RecordBuilder bad(1);
    size_t first = bad.Resident(kStandardInformation, StandardInfoBytes(1, 2, 3));
    bad.Resident(kFileNameAttribute, FileNameBytes(5, 1, u"x"));
    Put32(bad.bytes(), first + 4, length);
    record = Restored(bad.Build());
    EXPECT_FALSE(PickFileName(View(record), WalkVariant::kNormalScan, name, times)) << length;
    EXPECT_FALSE(PickFileName(View(record), WalkVariant::kExhaustiveScan, name, times)) << length;
  }
  // A first-attribute offset at the very end.
  Bytes lateStart = builder.Build();
  Put16(lateStart, 20, 1023);
  EXPECT_FALSE(PickFileName(View(lateStart), WalkVariant::kNormalScan, name, times));
}

TEST(NtfsDataAttribute, SizeAndPlaceOfTheUnnamedData) {
  RecordBuilder resident(1);
  resident.Resident(kDataAttribute, Bytes(9, 1), u"stream");
  size_t at = resident.Resident(kDataAttribute, Bytes(5, 2));
  Bytes record = Restored(resident.Build());
  uint64_t size = 99;
  ASSERT_TRUE(UnnamedDataSize(View(record), WalkVariant::kNormalScan, size));
  EXPECT_EQ(size, 5u);
  DataAttributePlace place = FindDataAttribute(View(record));
  EXPECT_EQ(place.kind, DataKind::kResident);
  EXPECT_EQ(place.position, at);

  RecordBuilder nonResident(1);
  at = nonResident.NonResident(kDataAttribute, {0x21, 0x10, 0x00, 0x01}, 0x123456789ull);
  record = Restored(nonResident.Build());
  ASSERT_TRUE(UnnamedDataSize(View(record), WalkVariant::kExhaustiveScan, size));
  EXPECT_EQ(size, 0x123456789ull);
  EXPECT_EQ(FindDataAttribute(View(record)).kind, DataKind::kNonResident);

  RecordBuilder noData(1);
  noData.Resident(kFileNameAttribute, FileNameBytes(5, 1, u"x"));
  record = Restored(noData.Build());
  EXPECT_FALSE(UnnamedDataSize(View(record), WalkVariant::kNormalScan, size));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(FindDataAttribute(View(record)).kind, DataKind::kNone);
}

// Named streams in record order: resident and non-resident ones count, a later
// extent (first virtual cluster above 0) and a name running past its attribute
// do not; stream n is the n-th.
TEST(NtfsDataAttribute, NamedStreamsInOrder) {
  RecordBuilder builder(1);
  builder.Resident(kDataAttribute, Bytes(5, 2));
  const size_t note = builder.Resident(kDataAttribute, Bytes(12, 3), u"note");
  const size_t big = builder.NonResident(kDataAttribute, {0x21, 0x10, 0x00, 0x01}, 50000, u"big");
  const size_t later = builder.NonResident(kDataAttribute, {0x21, 0x10, 0x00, 0x02}, 0, u"big");
  Put64(builder.bytes(), later + 16, 7);
  const size_t broken = builder.Resident(kDataAttribute, Bytes(4, 4), u"cut");
  builder.bytes()[broken + 9] = 200;
  Bytes record = Restored(builder.Build());
  std::vector<NamedStream> streams = NamedStreams(View(record));
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[0].name, u"note");
  EXPECT_EQ(streams[0].size, 12u);
  EXPECT_EQ(streams[1].name, u"big");
  EXPECT_EQ(streams[1].size, 50000u);
  EXPECT_EQ(FindDataAttribute(View(record), 1).position, note);
  EXPECT_EQ(FindDataAttribute(View(record), 2).position, big);
  EXPECT_EQ(FindDataAttribute(View(record), 2).kind, DataKind::kNonResident);
  EXPECT_EQ(FindDataAttribute(View(record), 3).kind, DataKind::kNone);
}

// A resident $I30 index root whose first entry names `parent` (name length 1),
// or no entry at all.
Bytes IndexRootValue(uint32_t parent, bool withEntry) {
  Bytes v(withEntry ? 32 + 16 + 68 + 16 : 48, 0);
  Put32(v, 0, kFileNameAttribute);
  if (withEntry) {
    Put32(v, 32 + 16, parent);  // key +0: parent reference
    v[32 + 16 + 64] = 1;        // key +64: name length
  }
  return v;
}

TEST(NtfsIndex, RootNumberFirstClusterAndBlockHeader) {
  RecordBuilder folder(3);
  folder.Resident(kIndexRoot, IndexRootValue(64, true), u"$I30");
  folder.NonResident(kIndexAllocation, {0x11, 0x01, 0x00}, 4096, u"$SII");
  folder.NonResident(kIndexAllocation, {0x31, 0x01, 0x34, 0x12, 0x80}, 4096, u"$I30");
  Bytes record = Restored(folder.Build());
  EXPECT_EQ(IndexRootDirectoryNumber(View(record)), 64u);
  EXPECT_EQ(FirstIndexCluster(View(record)), 0x801234u);  // zero-extended

  RecordBuilder empty(3);
  empty.Resident(kIndexRoot, IndexRootValue(64, false), u"$I30");
  record = Restored(empty.Build());
  EXPECT_EQ(IndexRootDirectoryNumber(View(record)), 0u);
  EXPECT_EQ(FirstIndexCluster(View(record)), 0u);

  Bytes sector(512, 0);
  std::memcpy(sector.data(), "INDX", 4);
  Put32(sector, 16, 3);
  Put32(sector, 24, 40);
  Put32(sector, 32, 4096 - 24);
  IndexBlockHeader header;
  for (uint32_t parent : {4u, 0xFFFFFFFFu, 0u}) {
    Put32(sector, 80, parent);
    EXPECT_FALSE(ReadIndexBlockHeader(View(sector), header)) << parent;
  }
  Put32(sector, 80, 5);
  ASSERT_TRUE(ReadIndexBlockHeader(View(sector), header));
  EXPECT_EQ(header.directoryNumber, 5u);
  EXPECT_EQ(header.vcn, 3u);
  // Sizes that do not hold together, or an entry beyond the first sector.
  Put32(sector, 32, 0xFFFFFFF0);
  EXPECT_FALSE(ReadIndexBlockHeader(View(sector), header));
  Put32(sector, 32, 4096 - 24);
  Put32(sector, 24, 600);
  EXPECT_FALSE(ReadIndexBlockHeader(View(sector), header));
}

TEST(NtfsExtensionRecords, ListEntriesWithinTheValueOnly) {
  Bytes list;
  for (uint32_t n : {70u, 70u, 81u, 70u, 92u}) {
    Bytes e = ListEntry(n == 81 ? kFileNameAttribute : kDataAttribute, n);
    list.insert(list.end(), e.begin(), e.end());
  }
  RecordBuilder base(1, 70);
  base.Resident(kAttributeList, list);
  base.Resident(kFileNameAttribute, FileNameBytes(5, 1, u"after"));  // not an entry
  Bytes record = Restored(base.Build());
  ExtensionRecords table;
  table.Reset(70);
  CollectExtensionRecords(View(record), table);
  ASSERT_EQ(table.count(), 3u);
  EXPECT_EQ(table[1], 81u);
  EXPECT_EQ(table[2], 92u);

  // A resident list as long as a 1024-byte record holds (after the header, the
  // list's own attribute header and the end marker: 29 entries of 32 bytes),
  // each naming another record: every one is kept, in order.
  Bytes full;
  for (uint32_t n = 0; n < 29; ++n) {
    Bytes e = ListEntry(kDataAttribute, 1000 + n);
    full.insert(full.end(), e.begin(), e.end());
  }
  RecordBuilder crowded(1, 7);
  crowded.Resident(kAttributeList, full);
  ASSERT_GT(crowded.next() + 8 + 32, 1024u);  // no room for one entry more
  record = Restored(crowded.Build());
  table.Reset(7);
  CollectExtensionRecords(View(record), table);
  ASSERT_EQ(table.count(), 30u);
  for (uint32_t n = 0; n < 29; ++n) EXPECT_EQ(table[n + 1], 1000 + n);
  // A non-resident list names nothing here.
  RecordBuilder outside(1);
  outside.NonResident(kAttributeList, {0x11, 0x01, 0x10}, 100);
  record = Restored(outside.Build());
  table.Reset(1);
  CollectExtensionRecords(View(record), table);
  EXPECT_EQ(table.count(), 1u);
}

TEST(NtfsDataRuns, DecodesOffsetsLengthsAndSparseRuns) {
  MftRunTable table;
  Bytes one = {0x21, 0x18, 0x34, 0x56, 0x00};
  ASSERT_TRUE(DecodeRunList(View(one), 63, 8, table));
  ASSERT_EQ(table.count(), 1u);
  EXPECT_EQ(table.runs()[0], (DataRun{63 + 0x5634 * 8, 0x18 * 8, false}));

  // A sparse run between two runs does not move the base; FF FF is -1 cluster.
  Bytes three = {0x21, 0x02, 0x00, 0x01, 0x01, 0x04, 0x21, 0x01, 0xFF, 0xFF, 0x00};
  table.Clear();
  ASSERT_TRUE(DecodeRunList(View(three), 63, 8, table));
  ASSERT_EQ(table.count(), 3u);
  EXPECT_EQ(table.runs()[1], (DataRun{0, 32, true}));
  EXPECT_EQ(table.runs()[2].firstSector, table.runs()[0].firstSector - 8);

  // Damaged lists stop with what was decoded: running off the attribute, a run
  // before the volume's first cluster, field sizes above 8, an overflow.
  const Bytes bad[] = {{0x21, 0x02, 0x00, 0x01, 0x31, 0x01},
                       {0x21, 0x02, 0x00, 0x01, 0x21, 0x01, 0x00, 0xF0, 0x00},
                       {0x21, 0x02, 0x00, 0x01, 0x91, 0x01, 0x00},
                       {0x21, 0x02, 0x00, 0x01, 0x18, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}};
  for (const Bytes& list : bad) {
    table.Clear();
    EXPECT_FALSE(DecodeRunList(View(list), 63, 8, table));
    EXPECT_EQ(table.count(), 1u);
  }
}

TEST(NtfsRunTable, GrowsAndMapsRecordsAcrossRuns) {
  MftRunTable table;
  for (uint64_t i = 0; i < 3000; ++i) ASSERT_TRUE(table.Append({1000 + i, 1, false}));
  EXPECT_EQ(table.count(), 3000u);
  EXPECT_EQ(table.runs()[2999].firstSector, 3999u);

  table.Clear();
  table.Append({100, 8, false});   // records 0-3
  table.Append({0, 4, true});      // records 4-5, sparse
  table.Append({500, 6, false});   // records 6-8
  EXPECT_EQ(MftRecordSector(table, 0), 100u);
  EXPECT_EQ(MftRecordSector(table, 3), 106u);
  EXPECT_EQ(MftRecordSector(table, 5), 0u);
  EXPECT_EQ(MftRecordSector(table, 7), 502u);
  EXPECT_EQ(MftRecordSector(table, 9), 0u);
  table.LimitTo(13);
  EXPECT_EQ(table.TotalSectors(), 13u);
  EXPECT_EQ(table.count(), 3u);
  table.LimitTo(8);
  EXPECT_EQ(table.count(), 1u);
}

// LZNT1 units made by hand: a chunk of literals and a back-reference that
// overlaps what it writes, one whose reference stands past position 16 (where
// the distance takes a fifth bit), a chunk stored as it is, and damaged chunks.
TEST(Lznt1, DecodesUnitsAndRefusesDamagedChunks) {
  const auto chunk = [](bool compressed, Bytes items) {
    const auto header = static_cast<uint16_t>((items.size() - 1) | (compressed ? 0xB000 : 0x3000));
    Bytes bytes = {static_cast<uint8_t>(header), static_cast<uint8_t>(header >> 8)};
    bytes.insert(bytes.end(), items.begin(), items.end());
    return bytes;
  };
  const auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
  const auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  const Bytes stored(4096, 'S');
  struct Case {
    const char* what;
    Bytes packed;
    bool ok;
    std::string start;  // the unit's first bytes; the rest must be zeros
  };
  const std::vector<Case> cases = {
      {"overlapping reference", chunk(true, join({{0x08}, text("abc"), {0x06, 0x20}, text("X")})), true,
       "abcabcabcabcX"},
      {"reference past position 16",
       chunk(true, join({{0x00}, text("01234567"), {0x00}, text("89ABCDEF"), {0x02}, text("G"), {0x02, 0x80}})), true,
       "0123456789ABCDEFG01234"},
      {"stored chunk, then a compressed one", join({chunk(false, stored), chunk(true, join({{0x00}, text("next")}))}),
       true, std::string(4096, 'S') + "next"},
      {"header 0 ends the unit", join({{0x00, 0x00}, chunk(true, join({{0x00}, text("lost")}))}), true, ""},
      {"reference at position 0", chunk(true, {0x01, 0x00, 0x10}), false, ""},
      {"reference before the start", chunk(true, join({{0x08}, text("abc"), {0x00, 0x30}})), false, ""},
      {"reference past 4096 bytes", chunk(true, join({{0x08}, text("abc"), {0xFF, 0x2F}})), false, ""},
      {"chunk longer than the data", Bytes{0x63, 0xB0, 0x00, 'a'}, false, ""},
      {"reference cut short", chunk(true, join({{0x02}, text("a"), {0x06}})), false, ""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> plain(3 * 4096, 0xEE);
    EXPECT_EQ(DecompressLznt1(View(c.packed), plain.data(), 2 * 4096), c.ok) << c.what;
    EXPECT_EQ(plain[2 * 4096], 0xEE) << c.what << ": wrote past the unit";
    if (!c.ok) continue;
    std::string expected = c.start + std::string(2 * 4096 - c.start.size(), '\0');
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + 2 * 4096), expected) << c.what;
  }
}

}  // namespace
}  // namespace vantor
