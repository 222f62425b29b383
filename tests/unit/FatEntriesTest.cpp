#include <gtest/gtest.h>

#include <cstring>

#include "core/OemCodePage.h"
#include "fat/FatEntries.h"
#include "save/StampTimes.h"

namespace vantor {
namespace {

struct Sectors {
  std::vector<SectorBytes> list;
  explicit Sectors(size_t count) : list(count) {
    for (auto& s : list) s.fill(0);
  }
  uint8_t* entry(size_t sector, unsigned index) { return list[sector].data() + index * 32; }
  void Short(size_t sector, unsigned index, const char* name, uint8_t attributes, uint16_t cluster) {
    uint8_t* e = entry(sector, index);
    std::memcpy(e, name, 11);
    e[11] = attributes;
    e[26] = static_cast<uint8_t>(cluster);
    e[27] = static_cast<uint8_t>(cluster >> 8);
  }
  // Part `sequence` (0x40 added on the last) of the long name of `shortName`.
  void LongPart(size_t sector, unsigned index, const std::u16string& units, uint8_t sequence, const char* shortName) {
    static constexpr size_t kUnits[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    uint8_t* e = entry(sector, index);
    e[0] = sequence;
    e[11] = 0x0F;
    e[13] = ShortNameChecksum(ByteView(reinterpret_cast<const uint8_t*>(shortName), 11));
    for (size_t u = 0; u < 13; ++u) {
      char16_t unit = u < units.size() ? units[u] : u == units.size() ? 0 : 0xFFFF;
      e[kUnits[u]] = static_cast<uint8_t>(unit);
      e[kUnits[u] + 1] = static_cast<uint8_t>(unit >> 8);
    }
  }
  ByteView view(size_t sector) const { return ByteView(list[sector].data(), 512); }
  PreviousSector previous() {
    return [this](uint64_t& number, SectorBytes& out) {
      if (number == 0) return false;
      out = list[--number];
      return true;
    };
  }
};

TEST(FatEntriesTest, ShortNamesDropSpacesAndMarkDeletion) {
  const auto compose = [](const char* bytes, uint8_t caseFlags = 0) {
    uint8_t e[32] = {};
    std::memcpy(e, bytes, 11);
    e[12] = caseFlags;
    return ComposeShortName(ByteView(e, 32));
  };
  EXPECT_EQ(compose("README  TXT").bytes, "README.TXT");
  // Windows' case flags: 0x08 the name, 0x10 the extension, in lower case.
  EXPECT_EQ(compose("SUMMER  TXT", 0x18).bytes, "summer.txt");
  EXPECT_EQ(compose("SUMMER  TXT", 0x08).wide, u"summer.TXT");
  EXPECT_EQ(compose("A1_B    TX1", 0x10).bytes, "A1_B.tx1");
  EXPECT_EQ(compose("\xE5" "UMMER  TXT", 0x18).bytes, "_ummer.txt");
  EXPECT_EQ(compose("AB C      X").bytes, "ABCX");
  ShortName deleted = compose("\xE5" "EADME  TXT");
  EXPECT_EQ(deleted.bytes, "_EADME.TXT");
  EXPECT_EQ(deleted.wide, u"_EADME.TXT");
  EXPECT_EQ(deleted.deleted, 'y');
  EXPECT_EQ(compose("\xC4" "BC     TXT").wide[0], u'\xC4');  // widened, not converted
}

TEST(FatEntriesTest, RefusedCharacters) {
  EXPECT_TRUE(IsValidName(u""));
  EXPECT_TRUE(IsValidName(u"a:b.txt"));
  EXPECT_TRUE(IsValidName(u"\u03A9mega"));
  EXPECT_TRUE(IsValidName(std::u16string(1, u'\0')));
  for (char16_t bad : {u'\x01', u'\x1F', u'"', u'\\', u'/', u'?', u'*', u'<', u'>', u'|', u'\x80', u'\xE9', u'\xFF'}) {
    EXPECT_FALSE(IsValidName(std::u16string(u"ok") + bad)) << static_cast<int>(bad);
    EXPECT_EQ(IsValidLongName(std::u16string(u"ok") + bad), bad >= 0x80) << static_cast<int>(bad);
  }
}

TEST(FatEntriesTest, LongNamesOfThirteenAcrossSectorsAndDeleted) {
  Sectors s(2);
  // Exactly 13 units: one part, no terminator.
  s.LongPart(0, 0, u"Report2012.md", 0x41, "REPORT~1MD ");
  s.Short(0, 1, "REPORT~1MD ", 0x20, 5);
  std::u16string name;
  EXPECT_EQ(AssembleLongName(s.view(0), 0, 1, s.previous(), name), LongNameFound::kFound);
  EXPECT_EQ(name, u"Report2012.md");
  // A 20-unit name whose second part ends sector 0 and whose first part opens
  // sector 1; the short entry follows.
  s.LongPart(0, 15, u"ame.txt", 0x42, "ALONGF~1TXT");
  s.LongPart(1, 0, u"A long file n", 0x01, "ALONGF~1TXT");
  s.Short(1, 1, "ALONGF~1TXT", 0x20, 6);
  DecodedEntry entry;
  ASSERT_EQ(DecodeEntry(s.view(1), 1, 1, false, s.previous(), kDefaultOemCodePage, entry), EntryOutcome::kDecoded);
  EXPECT_EQ(entry.name, u"A long file name.txt");
  EXPECT_TRUE(entry.shortName.empty());
  // Without the earlier sector the name is cut: a live entry keeps its short name.
  EXPECT_EQ(AssembleLongName(s.view(1), 1, 1, nullptr, name), LongNameFound::kNotItsOwn);
  ASSERT_EQ(DecodeEntry(s.view(1), 1, 1, false, nullptr, kDefaultOemCodePage, entry), EntryOutcome::kDecoded);
  EXPECT_EQ(entry.name, u"ALONGF~1.TXT");
  EXPECT_FALSE(entry.note.empty());
  // Deleted: the parts lost their sequence numbers, the short entry its first
  // byte; parts whose checksums agree still give the name.
  for (auto [sector, index] : {std::pair{0, 15u}, std::pair{1, 0u}, std::pair{1, 1u}}) s.entry(sector, index)[0] = 0xE5;
  ASSERT_EQ(DecodeEntry(s.view(1), 1, 1, false, s.previous(), kDefaultOemCodePage, entry), EntryOutcome::kDecoded);
  EXPECT_EQ(entry.deleted, 'y');
  EXPECT_EQ(entry.name, u"A long file name.txt");
}

// Which parts a short entry takes as its own long name, and what a name that
// holds characters no name may hold becomes.
TEST(FatEntriesTest, LongNameBelongsToItsShortEntry) {
  struct Case {
    const char* what;
    uint8_t sequence;          // of the part before the short entry
    const char* checksumOf;    // the short name the part's checksum is of
    std::u16string units;
    bool deleted;              // short entry and part marked 0xE5
    std::u16string expected;
    bool noted;
  };
  const Case cases[] = {
      {"its own", 0x41, "OWN     TXT", u"own.txt", false, u"own.txt", false},
      {"another entry's checksum", 0x41, "OTHER   TXT", u"other.txt", false, u"OWN.TXT", true},
      {"a deleted name's part", 0xE5, "OWN     TXT", u"gone.txt", false, u"OWN.TXT", true},
      {"out of sequence", 0x42, "OWN     TXT", u"own.txt", false, u"OWN.TXT", true},
      {"not the last part, and nothing before", 0x01, "OWN     TXT", u"own.txt", false, u"OWN.TXT", true},
      {"deleted, its parts kept", 0xE5, "OWN     TXT", u"own.txt", true, u"own.txt", false},
      {"a slash and a tab", 0x41, "OWN     TXT", u"a/b\tc.txt", false, u"a_b_c.txt", true},
      {"a unit 1", 0x41, "OWN     TXT", u"x\x01y.txt", false, u"x_y.txt", true},
  };
  for (const Case& c : cases) {
    Sectors s(1);
    s.LongPart(0, 0, c.units, c.sequence, c.checksumOf);
    s.Short(0, 1, "OWN     TXT", 0x20, 5);
    if (c.deleted) s.entry(0, 1)[0] = 0xE5, s.entry(0, 0)[0] = 0xE5;
    DecodedEntry entry;
    ASSERT_EQ(DecodeEntry(s.view(0), 0, 1, false, s.previous(), kDefaultOemCodePage, entry), EntryOutcome::kDecoded)
        << c.what;
    EXPECT_EQ(entry.name, c.expected) << c.what;
    EXPECT_EQ(!entry.note.empty(), c.noted) << c.what;
  }
}

TEST(FatEntriesTest, DecodeOutcomes) {
  Sectors s(1);
  s.Short(0, 0, ".          ", 0x10, 7);
  s.Short(0, 1, "EMPTY   DAT", 0x20, 0);
  s.Short(0, 10, "LABEL      ", 0x08, 0);
  s.Short(0, 11, "SIZED   DAT", 0x20, 0);
  s.entry(0, 11)[28] = 1;  // bytes, but no cluster to hold them
  s.Short(0, 2, "BAD?    TXT", 0x20, 9);
  s.LongPart(0, 3, u"caf\u00E9.txt", 0x41, "CAF\x90    TXT");
  s.Short(0, 4, "CAF\x90    TXT", 0x20, 10);  // É in code page 850
  s.Short(0, 5, "SUB        ", 0x10, 0);
  s.entry(0, 5)[20] = 1;  // high word: cluster 0x10000
  s.entry(0, 5)[11] = 0x10;
  s.LongPart(0, 7, u"tab\tname", 0x41, "TABNAME    ");
  s.Short(0, 8, "TABNAME    ", 0x20, 11);
  s.Short(0, 9, "CAF\x90    TXT", 0x20, 12);  // no long name before it
  DecodedEntry entry;
  const auto decode = [&](unsigned index, bool lowWordOnly = false) {
    return DecodeEntry(s.view(0), 0, index, lowWordOnly, s.previous(), kDefaultOemCodePage, entry);
  };
  EXPECT_EQ(decode(0), EntryOutcome::kDotEntry);
  ASSERT_EQ(decode(1), EntryOutcome::kDecoded);  // an empty file owns no cluster
  EXPECT_EQ(entry.firstCluster, 0u);
  EXPECT_EQ(entry.size, 0u);
  EXPECT_EQ(decode(10), EntryOutcome::kNoCluster);
  EXPECT_EQ(decode(11), EntryOutcome::kNoCluster);
  EXPECT_EQ(decode(2), EntryOutcome::kRefusedShortName);
  EXPECT_EQ(decode(3), EntryOutcome::kLongNameEntry);
  ASSERT_EQ(decode(4), EntryOutcome::kDecoded);
  EXPECT_EQ(entry.name, u"caf\u00E9.txt");
  ASSERT_EQ(decode(8), EntryOutcome::kDecoded);  // the tab made safe
  EXPECT_EQ(entry.name, u"tab_name");
  // Without a long name, the high byte is a letter of the OEM code page.
  ASSERT_EQ(decode(9), EntryOutcome::kDecoded);
  EXPECT_EQ(entry.name, u"CAF\u00C9.TXT");
  EXPECT_TRUE(entry.shortName.empty());
  ASSERT_EQ(DecodeEntry(s.view(0), 0, 9, false, s.previous(), 866, entry), EntryOutcome::kDecoded);
  EXPECT_EQ(entry.name, u"CAF\u0420.TXT");
  ASSERT_EQ(decode(5), EntryOutcome::kDecoded);
  EXPECT_TRUE(entry.isFolder);
  EXPECT_EQ(entry.firstCluster, 0x10000u);
  EXPECT_EQ(decode(5, true), EntryOutcome::kNoCluster);  // the fixed root uses the low word only
  EXPECT_EQ(decode(12), EntryOutcome::kEnd);
  Sectors dir(1);
  dir.Short(0, 0, ".          ", 0x10, 2);
  dir.Short(0, 1, "..         ", 0x10, 0);
  EXPECT_TRUE(IsDirectoryStart(dir.view(0)));
  dir.entry(0, 1)[2] = 'X';
  EXPECT_FALSE(IsDirectoryStart(dir.view(0)));
}

// The creation time's 10 ms count (byte 13) lies within the DOS time's two
// seconds: 10:00:02 and 150 is 10:00:03.5; a count above 199 is read as 199.
TEST(FatEntriesTest, CreationTimeTakesItsTenMillisecondCount) {
  constexpr uint16_t kDate = (45 << 9) | (6 << 5) | 15;  // 2025-06-15
  constexpr uint16_t kTime = (10 << 11) | (0 << 5) | 1;  // 10:00:02
  struct Row {
    uint8_t count;
    int64_t addedSeconds;
    uint32_t nanoseconds;
  };
  FileTime plain;
  ASSERT_TRUE(DosFileTime(kTime, kDate, plain));
  for (const Row& row : {Row{0, 0, 0}, Row{150, 1, 500'000'000}, Row{199, 1, 990'000'000}, Row{250, 1, 990'000'000}}) {
    SCOPED_TRACE(int{row.count});
    uint8_t entry[32] = {};
    entry[13] = row.count;
    entry[14] = kTime & 0xFF, entry[15] = kTime >> 8;
    entry[16] = kDate & 0xFF, entry[17] = kDate >> 8;
    const RecordTimes times = EntryTimes(ByteView(entry, sizeof entry));
    FileTime created;
    ASSERT_TRUE(StampFileTime(times.created, false, created));
    EXPECT_EQ(created.seconds, plain.seconds + row.addedSeconds);
    EXPECT_EQ(created.nanoseconds, row.nanoseconds);
  }
}

}  // namespace
}  // namespace vantor
