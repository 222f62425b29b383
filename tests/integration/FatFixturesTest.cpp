// The FAT scan on volumes made by mkfs.fat and mtools (tests/fixtures/
// make-fat-fixtures.sh), checked against how they were built and against The
// Sleuth Kit's fls as an independent oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "catalog/CatalogPaths.h"
#include "disk/SourceSelection.h"
#include "fat/FatExhaustiveScan.h"
#include "fat/FatScan.h"
#include "partition/BootValues.h"
#include "partition/PartitionTable.h"
#include "platform/Utf.h"
#include "session/Session.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

using test::Shell;

bool HaveTools(const std::string& tools) { return std::system(("command -v " + tools + " >/dev/null 2>&1").c_str()) == 0; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "path" -> 'y'/'n'; paths compared without letter case, since mtools keeps
// lower-case 8.3 names as upper-case short entries with case flags, which the
// catalog shows byte for byte.
using Listing = std::map<std::string, char>;

class FatFixtures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tools_ = HaveTools("mkfs.fat mcopy mdeltree sfdisk qemu-img");
    if (!tools_) return;
    folder_ = test::FixturesDir() + "/fat";
    std::string script = test::SourceDir() + "/tests/fixtures/make-fat-fixtures.sh";
    built_ = std::system(("bash '" + script + "' '" + folder_ + "' >/dev/null 2>&1").c_str()) == 0;
  }
  void SetUp() override {
    if (!tools_) GTEST_SKIP() << "FAT fixtures need mkfs.fat, mtools, sfdisk and qemu-img";
    if (!built_) FAIL() << "tests/fixtures/make-fat-fixtures.sh did not build " << folder_;
    ::setenv("VANTOR_CONFIG_DIR", (temp_ / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (temp_ / "data").c_str(), 1);
  }
  static std::string Path(const std::string& name) { return folder_ + "/" + name; }

  // Scans listed file system `number` of `source` in this process.
  static Listing Scan(const std::string& source, size_t number, std::string* fileSystem = nullptr,
                      bool exhaustive = false) {
    Session session;
    EXPECT_TRUE(ChooseSource(session, source).ok);
    EXPECT_GE(ListPartitions(session, session.partitions), number);
    if (session.partitions.size() < number) return {};
    const PartitionEntry& entry = session.partitions[number - 1];
    if (fileSystem != nullptr) *fileSystem = entry.fileSystemName;
    session.state.fileSystemName = Utf8ToUtf16(entry.fileSystemName);
    session.state.startSector = entry.startSector;
    session.state.endSector = entry.endSector;
    EXPECT_EQ(ReadBootValues(session), 1u);
    EXPECT_TRUE((exhaustive ? FatExhaustiveScan(session) : FatScan(session)).ok);
    Listing listing;
    CatalogPaths paths(session.catalog, 0, 0);
    for (size_t i = 0; i < session.catalog.folders().size(); ++i)
      listing[Lower(paths.FolderPath(i)) + "/"] = session.catalog.folders()[i].deleted;
    for (size_t i = 0; i < session.catalog.files().size(); ++i)
      listing[Lower(paths.FilePath(i))] = session.catalog.files()[i].deleted;
    return listing;
  }

  static uint64_t StartOf(size_t partition) {
    std::ifstream layout(Path("layout.txt"));
    for (size_t number; layout >> number;) {
      uint64_t start = 0;
      layout >> start;
      if (number == partition) return start;
    }
    return 0;
  }

  // What fls -r -p lists, without its virtual entries, the volume label and
  // names that hold characters outside ASCII below U+0100 (fls shows them as
  // '^'; the scan refuses them).
  static Listing Fls(const std::string& image, uint64_t start) {
    Listing listing;
    std::istringstream lines(Shell("fls -r -p -l -o " + std::to_string(start) + " '" + image + "'"));
    for (std::string line; std::getline(lines, line);) {
      size_t colon = line.find(":\t");
      if (colon == std::string::npos || line[0] == 'v' || line[0] == 'V') continue;
      std::vector<std::string> fields;
      std::istringstream columns(line.substr(colon + 2));
      for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
      const std::string& name = fields[0];
      bool folder = line[0] == 'd';
      if (name.find("$OrphanFiles") == 0 || name.find('^') != std::string::npos) continue;
      if (name.find("(Volume Label Entry)") != std::string::npos) continue;
      listing[Lower(name) + (folder ? "/" : "")] = line.find(" * ") != std::string::npos ? 'y' : 'n';
    }
    return listing;
  }

  static std::string folder_;
  static bool tools_;
  static bool built_;
  test::TempDir temp_;
};

std::string FatFixtures::folder_;
bool FatFixtures::tools_ = false;
bool FatFixtures::built_ = false;

// The listing that make_tree + populate produce (FAT32/FAT16 volumes hold 40
// files in many/, the floppy 20).
Listing Expected(int many) {
  Listing listing{
      {"docs/", 'n'}, {"docs/level2/", 'n'}, {"docs/level2/level3/", 'n'}, {"docs/level2/level3/level4/", 'n'},
      {"docs/level2/level3/level4/level5/", 'n'}, {"docs/level2/level3/level4/level5/deep.txt", 'n'},
      {"docs/level2/mid.txt", 'n'}, {"many/", 'n'}, {"keep/", 'n'}, {"keep/stay.txt", 'n'},
      {"keep/gone for good.txt", 'y'}, {"readme.txt", 'n'}, {"report2012.md", 'n'}, {"empty.dat", 'n'},
      {"a much longer file name than thirteen.txt", 'n'}, {"\xCE\xA9mega file.txt", 'n'}, {"_ld.txt", 'y'},
      {"_rash/", 'y'}, {"_rash/top of trash.txt", 'y'}, {"_rash/_ub/", 'y'}, {"_rash/_ub/inner file a.txt", 'y'},
      {"_rash/_ub/_.txt", 'y'}, {"caf\xC3\xA9.txt", 'n'}};
  for (int i = 1; i <= many; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "many/long file name number %02d.txt", i);
    listing[name] = 'n';
  }
  for (int i = 1; i <= 24; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "docs/grown entry with a long name %02d.txt", i);
    listing[name] = 'n';
  }
  return listing;
}

TEST_F(FatFixtures, PartitionsOfTheDiskAndTheFloppy) {
  Session session;
  ASSERT_TRUE(ChooseSource(session, Path("disk.img")).ok);
  ASSERT_EQ(ListPartitions(session, session.partitions), 4u);
  std::vector<std::string> names;
  for (const auto& e : session.partitions) names.push_back(e.treeText);
  EXPECT_EQ(names, (std::vector<std::string>{"Partition - 1 ( FAT16 )", "Partition - 2 ( FAT32 )",
                                             "Partition - 3 ( FAT16 )", "Partition - 4 ( FAT32 )"}));
  EXPECT_EQ(session.partitions[0].startSector, StartOf(1));
  EXPECT_EQ(session.partitions[2].startSector, StartOf(5));
  EXPECT_EQ(session.partitions[3].startSector, StartOf(6));
  EXPECT_EQ(session.partitions[3].endSector, StartOf(6) + 90112);
  Session floppy;
  ASSERT_TRUE(ChooseSource(floppy, Path("floppy.img")).ok);
  ASSERT_EQ(ListPartitions(floppy, floppy.partitions), 1u);
  EXPECT_EQ(floppy.partitions[0].treeText, "Partition - 1 ( FAT12 )");
  EXPECT_EQ(floppy.partitions[0].endSector, 2880u);
}

TEST_F(FatFixtures, ScansListWhatWasBuilt) {
  for (size_t number = 1; number <= 4; ++number) EXPECT_EQ(Scan(Path("disk.img"), number), Expected(40)) << number;
  EXPECT_EQ(Scan(Path("floppy.img"), 1), Expected(20));
  EXPECT_EQ(Scan(Path("onefat.img"), 1), Expected(20));
}

// Short names with letters beyond ASCII and no long name, as mtools writes them
// without long names: read in code page 850 with their case flags, or in the
// page asked for.
TEST_F(FatFixtures, ShortNamesReadThroughTheOemCodePage) {
  const std::string scan = "'" + test::VantorBin() + "' scan '" + Path("oemnames.img") + "' --quiet";
  const std::string names = " 2>/dev/null | awk -F'\\t' '$1 == \"F\" { print $7 }' | LC_ALL=C sort | tr '\\n' ' '";
  EXPECT_EQ(test::Shell(scan + names), "NA\u00CFVE.TXT caf\u00E9.txt ");
  EXPECT_EQ(test::Shell(scan + " --codepage 866" + names), "NA\u256AVE.TXT caf\u0440.txt ");
  int code = 0;
  test::Shell(scan + " --codepage 1 2>/dev/null", &code);
  EXPECT_EQ(code, 2);
}

TEST_F(FatFixtures, ScansAgreeWithFls) {
  if (!HaveTools("fls")) GTEST_SKIP() << "fls (The Sleuth Kit) is not installed";
  // fls shows the code-page letter of the short name "café.txt" as '^', and
  // Fls passes such names over.
  const auto scan = [](const std::string& image, size_t number) {
    Listing listing = Scan(image, number);
    listing.erase("caf\xC3\xA9.txt");
    return listing;
  };
  const size_t tableNumbers[] = {1, 2, 5, 6};
  for (size_t number = 1; number <= 4; ++number)
    EXPECT_EQ(scan(Path("disk.img"), number), Fls(Path("disk.img"), StartOf(tableNumbers[number - 1]))) << number;
  EXPECT_EQ(scan(Path("floppy.img"), 1), Fls(Path("floppy.img"), 0));
  EXPECT_EQ(scan(Path("onefat.img"), 1), Fls(Path("onefat.img"), 0));
}

// A folder's history as mtools leaves it: renamed into a slot before its old
// entry, moved to another folder, and deleted with 300 long names over 8
// clusters, a file's cluster between its first two. Both scans keep the live
// names, list the old entries as fls does, and give every long name of the
// deleted folder (fls reads only its first cluster).
TEST_F(FatFixtures, RenamedMovedAndDeletedFoldersAsTheyWere) {
  if (!HaveTools("fls")) GTEST_SKIP() << "fls (The Sleuth Kit) is not installed";
  const std::string image = temp_ / "history.img", names = temp_ / "names", small = temp_ / "small.txt";
  test::WriteFile(small, std::vector<uint8_t>{'h', 'i', '\n'});
  ASSERT_EQ(std::system(("mkdir '" + names + "'").c_str()), 0);
  for (int i = 1; i <= 300; ++i) test::WriteFile(names + "/Long file name number " + std::to_string(i) + ".txt", {});
  const std::string m = " -i '" + image + "' ", to = "' '", from = " '" + small + to;
  ASSERT_EQ(std::system(("truncate -s 64M '" + image + "' && mkfs.fat -F 16 -s 8 '" + image + "' >/dev/null && mmd" + m +
                         "::/R ::/P ::/Q ::/P/Sub && mcopy" + m + from + "::/P/Sub/s.txt' && mcopy" + m + from +
                         "::/R/x.txt' && mmd" + m + "'::/R/Folder With A Long Name' && mcopy" + m + from +
                         "::/R/Folder With A Long Name/in.txt' && mdel" + m + "::/R/x.txt && mren" + m +
                         "'::/R/Folder With A Long Name' ::/R/B && mmove" + m + "::/P/Sub ::/Q/Sub && mmd" + m +
                         "::/Many && mcopy" + m + from + "::/k.txt' && mcopy" + m + "'" + names + "'/* ::/Many/ && mdeltree" +
                         m + "::/Many")
                            .c_str()),
            0);
  Listing expected;
  for (const auto& [path, deleted] : Fls(image, 0))
    if (path.rfind("many/", 0) != 0 || path == "many/") expected[path] = deleted;
  for (int i = 1; i <= 300; ++i) expected["many/long file name number " + std::to_string(i) + ".txt"] = 'y';
  ASSERT_EQ(expected.count("r/folder with a long name/"), 1u);
  ASSERT_EQ(expected.count("p/sub/"), 1u);
  EXPECT_EQ(Scan(image, 1), expected);
  expected["lost/"] = 'n';
  EXPECT_EQ(Scan(image, 1, nullptr, true), expected);
}

TEST_F(FatFixtures, VirtualDiskGivesTheSameListing) {
  Session session;
  if (!ChooseSource(session, Path("disk.vmdk")).ok) GTEST_SKIP() << "the VMDK reader does not open disk.vmdk";
  for (size_t number = 1; number <= 4; ++number) EXPECT_EQ(Scan(Path("disk.vmdk"), number), Expected(40)) << number;
}

// Random bytes over the floppy's boot sector, FATs and root. The data area is
// left alone, so a folder the scan reads entries from can only be one whose
// first sector, where the accepted geometry places it, begins with the "." and
// ".." entries; with the boot sector and the root left alone too, the root's
// names are all listed, whatever the FATs hold.
TEST_F(FatFixtures, RandomBytesInBootSectorAndFatEnd) {
  const auto image = test::ReadFile(Path("floppy.img"));
  ASSERT_EQ(image.size(), 2880u * 512);
  // The BIOS parameter block of the sound floppy: reserved sectors, FAT copies,
  // root entries, sectors per FAT.
  const uint32_t reserved = image[14] | image[15] << 8, copies = image[16], perFat = image[22] | image[23] << 8;
  const uint32_t rootStart = reserved + copies * perFat, rootEnd = rootStart + (image[17] | image[18] << 8) / 16;
  const size_t secondFatMark = (reserved + perFat) * 512;
  Listing rootNames;
  for (const auto& [path, deleted] : Expected(20))
    if (path.find('/') == std::string::npos || path.find('/') == path.size() - 1) rootNames[path] = deleted;
  const auto beginsFolder = [](const std::vector<uint8_t>& bytes, const VolumeGeometry& g, uint32_t key) {
    const int64_t sector = g.clusterBase + static_cast<int64_t>(key) * g.sectorsPerCluster;
    if (sector < 0 || static_cast<uint64_t>(sector + 1) * 512 > bytes.size()) return false;
    const char* entries = reinterpret_cast<const char*>(bytes.data()) + sector * 512;
    return std::string(entries, 11) == ".          " && std::string(entries + 32, 11) == "..         ";
  };
  std::mt19937 random(7);
  int rootsChecked = 0;
  for (int round = 0; round < 40; ++round) {
    auto bytes = image;
    // Sector 0 (in half the rounds), both FATs, and the root in every other round.
    const bool bootKept = round % 4 >= 2, rootKept = round % 2 == 0;
    size_t end = (rootKept ? rootStart : rootEnd) * 512;
    for (size_t i = bootKept ? 512 : 0; i < end; ++i)
      if (random() % 3 == 0) bytes[i] = static_cast<uint8_t>(random());
    test::WriteFile(temp_ / "damaged.img", bytes);
    SCOPED_TRACE("round " + std::to_string(round));
    Session session;
    ASSERT_TRUE(ChooseSource(session, temp_ / "damaged.img").ok);
    ListPartitions(session, session.partitions);
    session.state.fileSystemName = u"FAT12";
    session.state.endSector = 2880;
    const uint32_t accepted = ReadBootValues(session);
    // A sound boot sector whose media byte still opens the second FAT is taken.
    if (bootKept && bytes[secondFatMark] == image[21]) {
      EXPECT_EQ(accepted, 1u);
    }
    if (accepted != 1) continue;
    EXPECT_TRUE(FatScan(session).ok);
    const RecoveryCatalog& catalog = session.catalog;
    const VolumeGeometry& geometry = session.state.geometry;
    size_t strays = 0;
    Listing root;
    for (const auto& folder : catalog.folders()) {
      strays += folder.parentKey != kFatRootKey && !beginsFolder(bytes, geometry, folder.parentKey);
      if (folder.parentKey == kFatRootKey) root[Lower(folder.name.utf8()) + "/"] = folder.deleted;
    }
    for (const auto& file : catalog.files()) {
      strays += file.parentKey != kFatRootKey && !beginsFolder(bytes, geometry, file.parentKey);
      if (file.parentKey == kFatRootKey) root[Lower(file.name.utf8())] = file.deleted;
    }
    EXPECT_EQ(strays, 0u) << "records listed under clusters that hold no folder";
    if (bootKept && rootKept) {
      EXPECT_EQ(root, rootNames);
      ++rootsChecked;
    }
  }
  EXPECT_GT(rootsChecked, 0);
}

TEST_F(FatFixtures, CommandLine) {
  const std::string vantor = test::VantorBin();
  int code = -1;
  std::string out = Shell("'" + vantor + "' partitions '" + Path("disk.img") + "'", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out.substr(0, out.find('\n')), "Partition - 1 ( FAT16 )\tFAT16\t16 MB\t2048\t34816");
  out = Shell("'" + vantor + "' scan --quiet '" + Path("floppy.img") + "'", &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(out.find("F\ty\t4\t"), std::string::npos);
  EXPECT_NE(out.find("\t_rash/_ub/inner file a.txt\n"), std::string::npos);
  EXPECT_NE(out.find("Directories Found : 9\nFiles Found : 58\n"), std::string::npos) << out;
  out = Shell("'" + vantor + "' scan -p 2 --json --quiet '" + Path("disk.img") + "'", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out.substr(0, 10), "{\"volume\":");
  EXPECT_NE(out.find("\"path\":\"docs/level2/level3/level4/level5/deep.txt\""), std::string::npos);
  Shell("'" + vantor + "' scan -p 7 --quiet '" + Path("disk.img") + "' 2>&1", &code);
  EXPECT_EQ(code, 1);
  test::WriteFile(temp_ / "zero.img", std::vector<uint8_t>(64 * 512, 0));
  out = Shell("'" + vantor + "' scan --quiet '" + temp_ / "zero.img" + "' 2>&1", &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(out.find("no FAT or NTFS file system found on"), std::string::npos);
  std::string log = Shell("cat '" + temp_ / "data/vantor/Activity Log.txt" + "'");
  EXPECT_NE(log.find("\r\nStep 2 :\r\n-------\r\nSelected Information : Partition - 2 ( FAT32 )\r\n"), std::string::npos);
  // "Time Elapsed : H : M : S", whatever the time taken.
  const std::string heading = "\r\nStep 3 :\r\n-------\r\nAnalysing Files/Directories Information : \r\nTime Elapsed : ";
  const size_t at = log.find(heading);
  ASSERT_NE(at, std::string::npos) << log;
  std::istringstream elapsed(log.substr(at + heading.size(), log.find("\r\n", at + heading.size()) - at - heading.size()));
  unsigned hours = 0, minutes = 0, seconds = 0;
  char colon1 = 0, colon2 = 0;
  EXPECT_TRUE(elapsed >> hours >> colon1 >> minutes >> colon2 >> seconds && colon1 == ':' && colon2 == ':' &&
              elapsed.peek() == EOF)
      << log;
}

// A disk whose MBR was wiped lists nothing, but its volumes are scanned where
// the user says they start; the range is checked as Step 2 (a) checks it.
TEST_F(FatFixtures, ScanAtARangeEnteredByHand) {
  std::vector<uint8_t> bytes = test::ReadFile(Path("disk.img"));
  std::fill(bytes.begin(), bytes.begin() + 512, uint8_t{0});
  test::WriteFile(temp_ / "wiped.img", bytes);
  const std::string scan = "'" + test::VantorBin() + "' scan '" + std::string(temp_ / "wiped.img") + "' ";
  int code = 0;
  test::Shell(scan + "2>/dev/null", &code);
  EXPECT_EQ(code, 1);
  const std::string start = std::to_string(StartOf(1)), end = std::to_string(StartOf(2));
  const std::string listing = test::Shell(scan + "--range " + start + " " + end + " --fs FAT16 --quiet", &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(listing.find("\tdocs/level2/level3/level4/level5/deep.txt\n"), std::string::npos) << listing;
  const std::string refused = test::Shell(scan + "--range " + end + " " + start + " --fs FAT16 2>&1", &code);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(refused, "vantor: End sector should be bigger than start sector.\n");
  // A range that does not begin at a boot sector is refused with the search that fits it.
  const std::string off = std::to_string(StartOf(1) + 1);
  const std::string noBoot = test::Shell(scan + "--range " + off + " " + end + " --fs FAT16 2>&1", &code);
  EXPECT_NE(noBoot.find("no valid FAT16 boot sector at sector " + off), std::string::npos) << noBoot;
  EXPECT_NE(noBoot.find("vantor lost '" + std::string(temp_ / "wiped.img") + "' --fs FAT16 --range " + off + " " + end),
            std::string::npos)
      << noBoot;
  EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace vantor
