// The NTFS scan on volumes made by mkntfs and ntfs-3g: what the fixture script
// built must be listed, and the records must agree with The Sleuth Kit's fls.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "ntfs/RunTables.h"
#include "support/FixtureTools.h"
#include "support/NtfsVolume.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

constexpr uint64_t kPartitionStart = 2048;

// The fixture folder, built on first use; empty when it cannot be built here.
std::string NtfsFixtures() {
  std::string root = test::FixturesDir();
  std::string source = test::SourceDir();
  if (root.empty() || source.empty()) return {};
  std::string folder = root + "/ntfs";
  std::string script = source + "/tests/fixtures/make-ntfs-fixtures.sh";
  if (std::system(("VANTOR_FIXTURES='" + root + "' '" + script + "'").c_str()) != 0) return {};
  return std::filesystem::exists(folder + "/disk.img") ? folder : std::string();
}

// Skipped where the fixtures cannot be built; a failure where they could.
#define REQUIRE_FIXTURES(folder)                                                                     \
  std::string folder = NtfsFixtures();                                                               \
  if (folder.empty() && !test::WhyNotBuilt("ntfs/disk.img").empty())                                 \
    GTEST_SKIP() << test::WhyNotBuilt("ntfs/disk.img");                                              \
  if (folder.empty()) FAIL() << "tests/fixtures/make-ntfs-fixtures.sh did not build " << test::FixturesDir() << "/ntfs"

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Scanned {
  Session session;
  bool ok = false;
  explicit Scanned(const std::string& image) {
    ok = test::OpenNtfsPartition(session, image, kPartitionStart) &&
         test::ScanNtfsPartition(session) == NtfsScanOutcome::kFinished;
  }
};

void ExpectListed(const std::string& image, const std::string& expected) {
  Scanned scan(image);
  ASSERT_TRUE(scan.ok) << image;
  std::set<std::string> listing = test::CatalogListing(scan.session.catalog);
  for (const std::string& line : Lines(expected)) EXPECT_TRUE(listing.count(line)) << image << ": " << line;
}

TEST(NtfsFixtures, ListsWhatWasBuiltOnTheDisk) {
  REQUIRE_FIXTURES(folder);
  ExpectListed(folder + "/disk.img", folder + "/disk.expected");
}

TEST(NtfsFixtures, ListsWhatWasBuiltOnTheFeaturesDisk) {
  REQUIRE_FIXTURES(folder);
  ExpectListed(folder + "/features.img", folder + "/features.expected");
  ExpectListed(folder + "/features.vmdk", folder + "/features.expected");
}

TEST(NtfsFixtures, ListsWhatWasBuiltOnTheVmdk) {
  REQUIRE_FIXTURES(folder);
  Session probe;
  if (!ChooseSource(probe, folder + "/disk.vmdk").ok) GTEST_SKIP() << "the virtual disk reader does not open disk.vmdk";
  ExpectListed(folder + "/disk.vmdk", folder + "/disk.expected");
}

TEST(NtfsFixtures, RunsOfFragmentedSparseAndGrownMft) {
  REQUIRE_FIXTURES(folder);
  Scanned disk(folder + "/disk.img");
  ASSERT_TRUE(disk.ok);
  Session& session = disk.session;
  const auto runsOf = [&](const std::u16string& name) {
    for (const auto& file : session.catalog.files())
      if (file.name.longName() == name)
        return BuildRunTable(session, session.mftRunTable, kPartitionStart, MftRecordSector(session.mftRunTable, file.ownKey), 'F',
                             session.state.geometry.sectorsPerCluster);
    return MftRunTable();
  };
  MftRunTable fragmented = runsOf(u"fragmented-a.bin");
  EXPECT_GT(fragmented.count(), 1u);
  EXPECT_EQ(fragmented.TotalSectors(), 24u * 65536 / 512);
  MftRunTable sparse = runsOf(u"sparse.bin");
  EXPECT_EQ(sparse.TotalSectors(), 8u * 1024 * 1024 / 512);
  bool hasSparse = false;
  for (const DataRun& run : sparse.runs()) hasSparse |= run.sparse;
  EXPECT_TRUE(hasSparse);

  Scanned grown(folder + "/mftgrow.img");
  ASSERT_TRUE(grown.ok);
  EXPECT_GT(grown.session.mftRunTable.count(), 1u);
  ExpectListed(folder + "/mftgrow.img", folder + "/mftgrow.expected");
}

// One named record: MFT record number, name and deleted state.
using Entry = std::tuple<uint32_t, std::string, bool>;

// What `fls -r -p` lists, one entry per record and name (streams folded in).
std::set<Entry> FlsEntries(const std::string& image) {
  std::string command = "fls -r -p -o " + std::to_string(kPartitionStart) + " '" + image + "' 2>/dev/null";
  std::set<Entry> entries;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return entries;
  std::array<char, 4096> buffer;
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
    std::string line(buffer.data());
    if (!line.empty() && line.back() == '\n') line.pop_back();
    size_t tab = line.find(":\t");
    if (tab == std::string::npos) continue;
    std::string head = line.substr(0, tab), path = line.substr(tab + 2);
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    name = name.substr(0, name.find(':'));  // "NAME:STREAM" is a stream of NAME
    uint32_t number = static_cast<uint32_t>(std::stoul(head.substr(head.find_last_of(' ') + 1)));
    entries.emplace(number, name, head.find(" * ") != std::string::npos);
  }
  ::pclose(pipe);
  return entries;
}

std::set<Entry> ScanEntries(const RecoveryCatalog& catalog) {
  std::set<Entry> entries;
  for (const auto& d : catalog.folders())
    if (d.ownKey != LostKey) entries.emplace(d.ownKey, d.name.utf8(), d.deleted == 'y');
  for (const auto& f : catalog.files()) {
    const std::string name = f.name.utf8();
    entries.emplace(f.ownKey, name.substr(0, name.find(':')), f.deleted == 'y');  // as fls folds streams
  }
  return entries;
}

// Why an entry that fls lists may be missing from the scan; empty when it must not be.
std::string WhyOnlyFls(const Entry& entry, const std::set<Entry>& ours) {
  uint32_t number = std::get<0>(entry);
  const std::string& name = std::get<1>(entry);
  bool recordListed = false;
  for (const Entry& e : ours) recordListed |= std::get<0>(e) == number;
  if (name == "$OrphanFiles") return "TSK's virtual folder of orphans has no MFT record";
  if (name.rfind("OrphanFile-", 0) == 0 && !recordListed)
    return "a record in use without a file name, which TSK names itself; the scan passes over nameless records";
  return {};
}

void ExpectAgreesWithFls(const std::string& image) {
  Scanned scan(image);
  ASSERT_TRUE(scan.ok) << image;
  std::set<Entry> ours = ScanEntries(scan.session.catalog);
  std::set<Entry> fls = FlsEntries(image);
  ASSERT_FALSE(fls.empty()) << "fls listed nothing for " << image;
  std::map<std::string, int> explained;
  for (const Entry& entry : fls) {
    if (ours.count(entry)) continue;
    std::string why = WhyOnlyFls(entry, ours);
    EXPECT_FALSE(why.empty()) << image << ": fls lists record " << std::get<0>(entry) << " " << std::get<1>(entry);
    ++explained[why];
  }
  for (const auto& [why, count] : explained) std::cout << image << ": " << count << " only in fls: " << why << "\n";
  for (const Entry& entry : ours)
    EXPECT_TRUE(fls.count(entry)) << image << ": only the scan lists record " << std::get<0>(entry) << " "
                                  << std::get<1>(entry) << (std::get<2>(entry) ? " (deleted)" : "");
}

TEST(NtfsFixtures, AgreesWithFls) {
  REQUIRE_FIXTURES(folder);
  if (std::system("command -v fls >/dev/null") != 0) GTEST_SKIP() << "fls (sleuthkit) is not installed";
  ExpectAgreesWithFls(folder + "/disk.img");
  ExpectAgreesWithFls(folder + "/mftgrow.img");
  ExpectAgreesWithFls(folder + "/features.img");
}

// Compressed, partly written, fragmented (runs in extension records) and
// reused-parent files, hard links and named streams (in extension records too), saved from the raw disk and from its
// VMware copy: every file and stream is what icat gives, and the run completes.
TEST(NtfsFixtures, FeaturesSaveAsIcatGivesThem) {
  REQUIRE_FIXTURES(folder);
  if (std::system("command -v icat >/dev/null") != 0) GTEST_SKIP() << "icat (sleuthkit) is not installed";
  const std::string image = folder + "/features.img";
  const std::vector<std::string> oracle = Lines(folder + "/features.oracle");
  ASSERT_GE(oracle.size(), 8u);
  for (const std::string& source : std::vector<std::string>{image, folder + "/features.vmdk"}) {
    test::TempDir out;
    int code = -1;
    const std::string report =
        test::Shell("'" + test::VantorBin() + "' recover '" + source + "' -o '" + out.path() + "' 2>&1", &code);
    EXPECT_EQ(code, 0) << source << "\n" << report;
    for (const std::string& line : oracle) {
      const std::string path = line.substr(0, line.find('\t'));
      const std::string address = line.substr(line.find('\t') + 1);
      const std::string expected =
          test::Shell("icat -o " + std::to_string(kPartitionStart) + " '" + image + "' " + address);
      const std::vector<uint8_t> saved = test::ReadFile(out / path);
      EXPECT_TRUE(std::string(saved.begin(), saved.end()) == expected) << source << ": " << path;
    }
    // Every name fls gives is saved (each hard link, each stream) and nothing
    // else outside "Lost", where go the deleted files that fls counts among
    // its orphans (their folder's record now holds another folder).
    std::set<std::string> listed, saved;
    for (const std::string& line : oracle) listed.insert(line.substr(0, line.find('\t')));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out.path())) {
      const std::string path = std::filesystem::relative(entry.path(), out.path()).string();
      if (entry.is_regular_file() && path.rfind("Lost/", 0) != 0) saved.insert(path);
    }
    EXPECT_EQ(saved, listed) << source;
  }
}

// The listing of `vantor scan` as "KIND DELETED SIZE PATH" lines, in order,
// the pseudo-folder "Lost" left out; the exit code in `code`.
std::vector<std::string> ListedByCli(const std::string& image, const std::string& options, int& code) {
  const std::string listing =
      test::Shell("'" + test::VantorBin() + "' scan '" + image + "' -p 1 --quiet " + options + " 2>/dev/null", &code);
  std::vector<std::string> lines;
  std::istringstream in(listing);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() < 4 || (fields[0] == "D" && fields.back() == "Lost")) continue;
    lines.push_back(fields[0] + " " + fields[1] + " " + fields[2] + " " + fields.back());
  }
  return lines;
}

// The exhaustive scan lists each record once (not the first records again
// from $MFTMirr), with every name and stream the scan lists, in the same
// folders, streams kept in extension records among them.
TEST(NtfsFixtures, ExhaustiveScanListsEachRecordOnceAsTheScanDoes) {
  REQUIRE_FIXTURES(folder);
  for (const char* name : {"disk.img", "mftgrow.img", "features.img"}) {
    SCOPED_TRACE(name);
    int code = -1;
    const std::vector<std::string> scan = ListedByCli(folder + "/" + name, "", code);
    ASSERT_EQ(code, 0);
    const std::vector<std::string> exhaustive = ListedByCli(folder + "/" + name, "--exhaustive", code);
    ASSERT_EQ(code, 0);
    ASSERT_GT(scan.size(), 100u);
    const std::set<std::string> scanned(scan.begin(), scan.end()), swept(exhaustive.begin(), exhaustive.end());
    EXPECT_EQ(swept.size(), exhaustive.size()) << "a line listed twice";
    for (const std::string& line : swept) EXPECT_TRUE(scanned.count(line)) << "only the exhaustive scan: " << line;
    for (const std::string& line : scanned) EXPECT_TRUE(swept.count(line)) << "only the scan: " << line;
    if (std::string(name) == "features.img") {
      // Streams kept in extension records, read as the scan reads them.
      const std::string cat = "'" + test::VantorBin() + "' cat '" + folder + "/" + name + "' -p 1 --quiet ";
      for (const char* stream : {"many-streams.txt:s1", "many-streams.txt:s40"}) {
        int scanCode = -1, sweptCode = -1;
        const std::string bytes = test::Shell(cat + stream, &scanCode);
        EXPECT_EQ(test::Shell(cat + "--exhaustive " + stream, &sweptCode), bytes) << stream;
        EXPECT_EQ(scanCode, 0);
        EXPECT_EQ(sweptCode, 0);
        EXPECT_EQ(bytes.size(), 130u);
      }
    }

    // With the MFT's first 16 records (the system files, $MFT's own runs
    // among them) zeroed the scan has nothing to go by; the exhaustive scan
    // still lists nearly every file.
    Session clean;
    ASSERT_TRUE(test::OpenNtfsPartition(clean, folder + "/" + name, kPartitionStart));
    const std::string zeroed = (std::filesystem::temp_directory_path() / "vantor-mft-start-zeroed.img").string();
    std::filesystem::copy_file(folder + "/" + name, zeroed, std::filesystem::copy_options::overwrite_existing);
    {
      std::fstream file(zeroed, std::ios::in | std::ios::out | std::ios::binary);
      file.seekp(static_cast<std::streamoff>(clean.state.geometry.mftSector * 512));
      const std::string zeros(16 * 1024, '\0');
      file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    const std::vector<std::string> rescued = ListedByCli(zeroed, "--exhaustive", code);
    EXPECT_EQ(code, 0);
    const std::set<std::string> back(rescued.begin(), rescued.end());
    size_t users = 0, found = 0;
    for (const std::string& line : scanned) {
      if (line.find(" $") != std::string::npos) continue;
      ++users;
      found += back.count(line);
    }
    EXPECT_GE(found * 100, users * 95) << found << " of " << users;
    std::filesystem::remove(zeroed);
  }
}

// A copy of `image` with `count` random bytes written at byte `offset`.
std::string Damaged(const std::string& image, const std::string& name, uint64_t offset, size_t count) {
  std::string copy = (std::filesystem::temp_directory_path() / name).string();
  std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing);
  std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  std::srand(7);
  for (size_t i = 0; i < count; ++i) file.put(static_cast<char>(std::rand()));
  return copy;
}

TEST(NtfsFixtures, RandomBytesInBootSectorAndMftRecordsEndTheScan) {
  REQUIRE_FIXTURES(folder);
  const std::string image = folder + "/disk.img";
  Session clean;
  ASSERT_TRUE(test::OpenNtfsPartition(clean, image, kPartitionStart));
  const uint64_t mftByte = clean.state.geometry.mftSector * 512;

  // Random values after "NTFS" in the boot sector (its end mark kept): refused,
  // or, should the backup copy at the volume's end stand in, read as the sound
  // volume; never a geometry made of the random values.
  std::string boot = Damaged(image, "vantor-ntfs-boot.img", kPartitionStart * 512 + 11, 499);
  Session bootSession;
  if (test::OpenNtfsPartition(bootSession, boot, kPartitionStart)) {
    const VolumeGeometry& got = bootSession.state.geometry;
    const VolumeGeometry& sound = clean.state.geometry;
    EXPECT_EQ(std::tie(got.sectorsPerCluster, got.mftSector, got.sectorsPerMftRecord),
              std::tie(sound.sectorsPerCluster, sound.mftSector, sound.sectorsPerMftRecord));
    EXPECT_EQ(test::ScanNtfsPartition(bootSession), NtfsScanOutcome::kFinished);
  }
  std::filesystem::remove(boot);

  // Random bytes over records 0 to 99: the scan ends with whatever it still reads.
  std::string records = Damaged(image, "vantor-ntfs-records.img", mftByte, 100 * 1024);
  Session recordSession;
  ASSERT_TRUE(test::OpenNtfsPartition(recordSession, records, kPartitionStart));
  EXPECT_EQ(test::ScanNtfsPartition(recordSession), NtfsScanOutcome::kSwitchToExhaustive);
  // Random bytes over records 64 to 99 only: the rest of the volume is listed.
  std::filesystem::remove(records);
  records = Damaged(image, "vantor-ntfs-records.img", mftByte + 64 * 1024, 36 * 1024);
  Session partSession;
  ASSERT_TRUE(test::OpenNtfsPartition(partSession, records, kPartitionStart));
  EXPECT_EQ(test::ScanNtfsPartition(partSession), NtfsScanOutcome::kFinished);
  EXPECT_TRUE(test::CatalogListing(partSession.catalog).count("F n 9 small.txt"));
  std::filesystem::remove(records);
}

TEST(NtfsFixtures, CommandLineScanPrintsRecordsAndDates) {
  REQUIRE_FIXTURES(folder);
  std::string vantor = test::VantorBin();
  std::string image = folder + "/disk.img";
  std::string listing = test::Shell("'" + vantor + "' scan '" + image + "' -p 1 --quiet 2>/dev/null");
  EXPECT_NE(listing.find("F\ty\t20000\t"), std::string::npos);
  EXPECT_NE(listing.find("\tlevel1/level2/level3/level4/level5/deep.txt\n"), std::string::npos);
  EXPECT_NE(listing.find("\tunicode/日本語のファイル名.txt\n"), std::string::npos);
  // The modification time of small.txt as istat shows it (in UTC), as the scan's
  // "DD-Mon-YYYY hh:mm:ss".
  std::string number = test::Shell("fls -p -o 2048 '" + image + "' | sed -n 's/^r\\/r \\([0-9]*\\)-.*\tsmall.txt$/\\1/p'");
  std::string istat = test::Shell("TZ=UTC istat -o 2048 '" + image + "' " + number.substr(0, number.find('\n')) +
                             " | sed -n '0,/File Modified:/s/^File Modified:\t\\(.*\\)\\.[0-9]* (UTC)$/\\1/p'");
  ASSERT_GE(istat.size(), 19u) << "istat gave no time";
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string expected = istat.substr(8, 2) + "-" + kMonths[std::stoi(istat.substr(5, 2)) - 1] + "-" +
                         istat.substr(0, 4) + " " + istat.substr(11, 8);
  size_t line = listing.find("\tsmall.txt\n");
  ASSERT_NE(line, std::string::npos);
  size_t start = listing.rfind('\n', line) + 1;
  EXPECT_NE(listing.substr(start, line - start).find("\t" + expected + "\t"), std::string::npos)
      << listing.substr(start, line - start) << " vs " << expected;
}

}  // namespace
}  // namespace vantor
