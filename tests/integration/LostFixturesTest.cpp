// Damaged FAT volumes made by the real tools (tests/fixtures/make-lost-fixtures.sh):
// a disk whose MBR is zeroed, FAT32 without its boot sectors, FAT32 formatted
// over its folders, a floppy without its root, and a volume with a deleted folder
// of many clusters. What comes back is checked against what was put on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/SourceSteps.h"
#include "fat/FatExhaustiveScan.h"
#include "lost/FoundFolders.h"
#include "lost/LostPartitionSearch.h"
#include "scan/RunScan.h"
#include "session/Session.h"
#include "support/Recovered.h"
#include "support/ScriptedHost.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

using test::Contents;
using test::Manifest;
using test::Recovered;
using test::Vantor;

std::string LostFixtures() { return test::BuiltFixtures("lost", "lostmbr.layout"); }

// "DirN/REST" -> REST; empty when the path does not start with a numbered folder.
std::string BelowNumberedFolder(const std::string& path) {
  size_t digits = 3;
  while (digits < path.size() && std::isdigit(static_cast<unsigned char>(path[digits]))) ++digits;
  if (path.rfind("Dir", 0) != 0 || digits == 3 || digits >= path.size() || path[digits] != '/') return {};
  return path.substr(digits + 1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(LostFixtures, ZeroedTableBothFileSystemsFoundScannedAndRecoveredWhole) {
  const std::string folder = LostFixtures();
  ASSERT_FALSE(folder.empty());
  std::ifstream layout(folder + "/lostmbr.layout");
  std::vector<std::string> expected;
  for (std::string number, type, start, end; layout >> number >> type >> start >> end;)
    expected.push_back("File System " + number + " - " + type + "\t" + start + "\t" + end + "\t");
  ASSERT_EQ(expected.size(), 2u);
  for (const std::string image : {"lostmbr.img", "lostmbr.vmdk"}) {
    const std::string source = "'" + folder + "/" + image + "'";
    const std::vector<std::string> found = Lines(Vantor("lost --quiet " + source + " --fs FAT32"));
    ASSERT_EQ(found.size(), 2u) << image;
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(found[i].rfind(expected[i], 0), 0u) << image << ": " << found[i];
    for (const std::string number : {"1", "2"}) {
      EXPECT_EQ(Recovered(source + " --lost " + number + " --fs FAT16"),
                Manifest(folder + "/lostmbr-" + number + ".manifest"))
          << image << " file system " << number;
    }
  }
  int code = -1;
  EXPECT_NE(Vantor("scan '" + folder + "/lostmbr.img' --lost 3 --fs FAT32", &code).find("does not exist"),
            std::string::npos);
  EXPECT_EQ(code, 1);
  EXPECT_NE(Vantor("lost '" + folder + "/lostmbr.img' --fs FAT32 --range 200000 200100", &code)
                .find("No file systems could be identified."),
            std::string::npos);
  EXPECT_EQ(code, 1);
}

// Without its boot sectors the volume is inferred from its folders; its FATs are
// found below its clusters, so its root, names and chains are read as usual.
TEST(LostFixtures, VolumeWithoutBootSectorsIsInferredAndRecoveredByteExact) {
  const std::string folder = LostFixtures();
  ASSERT_FALSE(folder.empty());
  const std::string source = "'" + folder + "/noboot32.img'";
  const std::vector<std::string> found = Lines(Vantor("lost --quiet " + source + " --fs FAT32"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].rfind("File System 1 - FAT32\t", 0), 0u) << found[0];
  EXPECT_EQ(Recovered(source + " --lost 1 --fs FAT32"), Manifest(folder + "/noboot32.manifest"));
}

// A volume whose directories are gone: the normal scan finds nothing and hands
// over to the exhaustive scan. The old top folders come back under numbered
// names, everything below them under its own names, byte-exact.
TEST(LostFixtures, FolderlessVolumesSwitchToTheExhaustiveScan) {
  const std::string folder = LostFixtures();
  ASSERT_FALSE(folder.empty());
  for (const auto& [name, type] : {std::pair{"reformat32", "FAT32"}, std::pair{"floppy-noroot", "FAT12"}}) {
    const std::string source = "'" + folder + "/" + name + ".img'";
    EXPECT_NE(Vantor("scan " + source).find("Switching to Exhaustive Recovery"), std::string::npos) << name;
    // Its boot sector, at the source's first sector, is found by the search too.
    const std::string found = Vantor("lost --quiet " + source + " --fs " + type);
    EXPECT_EQ(found.rfind("File System 1 - " + std::string(type) + "\t0\t", 0), 0u) << found;
    Contents got;
    for (const auto& [path, sha] : Recovered(source)) {
      const std::string rest = BelowNumberedFolder(path);
      ASSERT_FALSE(rest.empty()) << name << ": " << path;
      got[rest] = sha;
    }
    Contents want;
    for (const auto& [path, sha] : Manifest(folder + "/" + name + ".manifest"))
      if (path.find('/') != std::string::npos) want[path.substr(path.find('/') + 1)] = sha;
    EXPECT_EQ(got, want) << name;
  }
}

// Six FAT16 volumes, three primary and three logical in an extended partition,
// each holding one file in its root only (no folder to confirm a boot sector),
// the table in sector 0 zeroed: each is found where it was made, from its boot
// sector and FATs, and its file comes back byte-exact. And a FAT32 volume found
// from its backup boot sector.
TEST(LostFixtures, VolumesWithRootFilesOnlyAreFoundByTheirBootSectorsAndFats) {
  if (std::system("command -v sfdisk >/dev/null && command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null") != 0)
    GTEST_SKIP() << "sfdisk, mkfs.fat or mtools is not installed";
  test::TempDir dir;
  const std::string image = dir / "six.img", note = dir / "note.txt";
  const uint64_t starts[] = {2048, 22528, 43008, 65536, 88064, 110592}, size = 20480;
  std::string layout = "label: dos\n";
  for (int i = 0; i < 3; ++i) layout += "start=" + std::to_string(starts[i]) + ", size=20480, type=6\n";
  layout += "start=63488, type=5\n";
  for (int i = 3; i < 6; ++i) layout += "start=" + std::to_string(starts[i]) + ", size=20480, type=6\n";
  test::WriteFile(dir / "layout", std::vector<uint8_t>(layout.begin(), layout.end()));
  std::string build = "truncate -s 80M '" + image + "' && sfdisk -q '" + image + "' < '" + dir / "layout" + "'";
  for (uint64_t start : starts)
    build += " && echo 'in the volume at " + std::to_string(start) + "' > '" + note + "' && mkfs.fat -F 16 --offset " +
             std::to_string(start) + " '" + image + "' 10240 >/dev/null && mcopy -i '" + image + "@@" +
             std::to_string(start * 512) + "' '" + note + "' ::/note.txt";
  build += " && dd if=/dev/zero of='" + image + "' bs=512 count=1 conv=notrunc status=none";
  ASSERT_EQ(std::system(build.c_str()), 0);
  std::vector<std::string> found = Lines(Vantor("lost --quiet '" + image + "' --fs FAT16"));
  ASSERT_EQ(found.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i + 1);
    EXPECT_EQ(found[i].rfind("File System " + n + " - FAT16\t" + std::to_string(starts[i]) + "\t" +
                                 std::to_string(starts[i] + size) + "\t",
                             0),
              0u)
        << found[i];
    const std::string text = "in the volume at " + std::to_string(starts[i]) + "\n";
    test::WriteFile(note, std::vector<uint8_t>(text.begin(), text.end()));
    const std::string sha = test::Shell("sha256sum '" + note + "' | cut -d' ' -f1");
    EXPECT_EQ(Recovered("'" + image + "' --lost " + n + " --fs FAT16"),
              (Contents{{"note.txt", sha.substr(0, sha.find('\n'))}}))
        << n;
  }

  // FAT32 without its boot sector: the backup copy at sector 6 stands for it.
  const std::string fat32 = dir / "fat32.img";
  ASSERT_EQ(std::system(("truncate -s 300M '" + fat32 + "' && mkfs.fat -F 32 '" + fat32 + "' >/dev/null && mcopy -i '" +
                         fat32 + "' '" + note + "' ::/note.txt")
                            .c_str()),
            0);
  // The volume's sector count, as mkfs.fat wrote it at offset 32.
  const std::string total = test::Shell("od -An -t u4 -j 32 -N 4 '" + fat32 + "' | tr -d ' \n'");
  ASSERT_EQ(std::system(("dd if=/dev/zero of='" + fat32 + "' bs=512 count=1 conv=notrunc status=none").c_str()), 0);
  found = Lines(Vantor("lost --quiet '" + fat32 + "' --fs FAT32"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].rfind("File System 1 - FAT32\t0\t" + total + "\t", 0), 0u) << found[0];
  EXPECT_EQ(Recovered("'" + fat32 + "' --lost 1 --fs FAT32").count("note.txt"), 1u);
}

// Formatted again with another cluster size, a volume shows nothing even to the
// exhaustive scan, which says so and names the search; the search lists the
// new, empty volume (its FATs confirm its boot sector) and infers the old file
// system from its folders, and everything comes back byte-exact.
TEST(LostFixtures, VolumeFormattedWithAnotherClusterSizeIsFoundBySearching) {
  const std::string folder = LostFixtures();
  ASSERT_FALSE(folder.empty());
  const std::string source = "'" + folder + "/reformat-s8.img'";
  EXPECT_NE(Vantor("scan --quiet " + source).find("vantor lost SOURCE --fs FAT32"), std::string::npos);
  const std::vector<std::string> found = Lines(Vantor("lost --quiet " + source + " --fs FAT32"));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].rfind("File System 1 - FAT32\t0\t", 0), 0u) << found[0];
  EXPECT_EQ(found[1].rfind("File System 2 - FAT32\t", 0), 0u) << found[1];
  EXPECT_EQ(Recovered(source + " --lost 2 --fs FAT32"), Manifest(folder + "/reformat-s8.manifest"));
}

// The later clusters of a deleted folder hold entries that no "." entry leads
// to: they are listed under Lost, at least as many names as fls finds, and every
// file of the folder comes back whole.
TEST(LostFixtures, EntriesOfADeletedFoldersLaterClustersAreListed) {
  const std::string folder = LostFixtures();
  ASSERT_FALSE(folder.empty());
  const std::string image = folder + "/orphans16.img";
  const std::vector<std::string> lines = Lines(Vantor("scan --quiet --exhaustive '" + image + "'"));
  size_t files = 0;
  for (const std::string& line : lines) files += line.rfind("F\t", 0) == 0 ? 1 : 0;
  if (std::system("command -v fls >/dev/null") == 0) {
    const std::string fls = test::Shell("fls -r -p '" + image + "' | grep '^r/r' | grep -vc '\\$\\|Volume Label'");
    EXPECT_GE(files, std::stoul(fls)) << "fls lists " << fls;
  }
  std::multiset<std::string> recovered;
  for (const auto& [path, sha] : Recovered("'" + image + "' --exhaustive")) recovered.insert(sha);
  for (const auto& [path, sha] : Manifest(folder + "/orphans16.manifest"))
    EXPECT_EQ(recovered.count(sha), 1u) << path;
}

// The search of the zeroed-table disk and the scan of its FAT32 file system, run
// as the wizard runs them, with a stop in one step once its progress reached
// `from` percent: `endsAll` as Back (the stop stays), else as Stop (the step
// ends, the next ones go on).
struct StoppedRun {
  test::ScriptedHost host;
  std::vector<uint64_t> starts;  // of the file systems found
  bool inferredOnly = false;     // none of them was confirmed by its boot sector
  bool scanned = false;
  uint32_t files = 0;

  StoppedRun(const std::string& image, const std::string& stopIn, uint64_t from, bool endsAll) {
    host.stopInStep = stopIn;
    host.stopFromProgress = from;
    host.stopEndsAll = endsAll;
    Session session;
    session.setHost(&host);
    EXPECT_TRUE(cli::OpenSource(session, image).ok);
    cli::VolumeChoice choice;
    choice.lostNumber = 2;
    choice.range.fileSystem = "FAT32";
    const bool chosen = cli::ChooseVolume(session, image, choice).ok;
    inferredOnly = !session.lostSearch.found.empty();
    for (const FoundFileSystem& found : session.lostSearch.found) {
      starts.push_back(found.startSector);
      inferredOnly = inferredOnly && found.startSector == 0;
    }
    // Back in the search discards it: Step 2 (c) never opens.
    if (!chosen || (endsAll && host.stopTaken)) return;
    scanned = RunScan(session, false).ok;
    files = session.catalog.filesFound;
  }

  // The stop came where it was meant to (a Stop taken is cleared with its step).
  bool StopSeen() const { return host.stopTaken || host.stopInStep.empty(); }
  bool Ran(const std::string& step) const {
    return std::find(host.steps.begin(), host.steps.end(), step) != host.steps.end();
  }
  int Gates(const std::string& step) const {
    auto gates = host.gatesInStep.find(step);
    return gates == host.gatesInStep.end() ? 0 : gates->second;
  }
};

// Pause acts in every step of the search and of the scan of the file system
// chosen (each passes the pause gate); Stop ends the step it comes in and the
// later ones go on with what was found; Back ends the whole run at once (each
// later step gives up at its first gate). The root (step 3) is one read and
// does not look at Stop.
TEST(LostFixtures, PauseStopAndBackActInEachStep) {
  const std::string folder = LostFixtures();
  ASSERT_FALSE(folder.empty());
  const std::string disk = folder + "/lostmbr.img", noBoot = folder + "/noboot32.img";
  std::ifstream layout(folder + "/lostmbr.layout");
  std::vector<uint64_t> starts;
  for (std::string number, type, start, end; layout >> number >> type >> start >> end;)
    starts.push_back(std::stoull(start));
  const std::vector<std::string> steps = {kLostSweepText,        kLostPhase1Text,  kLostPhase2Text,      kDumpFoldersText,
                                          kFoundLostFoldersText, kRootEntriesText, kSubfolderEntriesText};
  // On the disk every folder belongs to a boot sector found, so phase 2 has
  // nothing to do; on the volume without boot sectors it does all the work.
  const StoppedRun whole(disk, {}, 0, false), wholeNoBoot(noBoot, {}, 0, false);
  ASSERT_EQ(whole.starts, starts);
  ASSERT_TRUE(whole.scanned);
  for (const std::string& step : steps)
    EXPECT_GT(step == kLostPhase2Text ? wholeNoBoot.Gates(step) : whole.Gates(step), 0) << "no pause in " << step;

  struct Row {
    const std::string& image;
    size_t step;
    uint64_t from;  // percent
    std::vector<uint64_t> found;
    bool inferredOnly;
    bool stops;       // the step looks at Stop
    bool fewerFiles;  // a Stop there leaves files unlisted
  };
  const std::vector<Row> rows = {
      {disk, 0, 0, {}, false, true, false},       // in the first run of 1000 sectors, before any boot sector
      // Past the FAT16 volume and the FAT32 boot sector, which its FATs confirm
      // before its folders are reached.
      {disk, 0, 1, {starts[0], starts[1]}, false, true, false},
      {disk, 1, 0, {}, true, true, false},        // no boot sector confirmed: the folders infer file systems
      {noBoot, 2, 0, {}, false, true, false},     // given up before the first folder pair
      {disk, 3, 0, starts, false, true, true},     {disk, 4, 0, starts, false, true, false},
      {disk, 5, 0, starts, false, false, false},   {disk, 6, 0, starts, false, true, true},
  };
  for (const Row& row : rows) {
    const std::string where = steps[row.step] + " at " + std::to_string(row.from) + "% of " + row.image;
    const StoppedRun stopped(row.image, steps[row.step], row.from, false);
    if (row.inferredOnly)
      EXPECT_TRUE(stopped.inferredOnly) << where;
    else
      EXPECT_EQ(stopped.starts, row.found) << where;
    // The search's steps run to its end, and a file system chosen is scanned
    // through all of its own.
    const size_t last = row.step < 3 ? 3 : steps.size();
    for (size_t later = row.step + 1; later < last; ++later)
      EXPECT_TRUE(stopped.Ran(steps[later])) << "stopped in " << where << ", " << steps[later] << " did not run";
    if (row.step >= 3) {
      EXPECT_TRUE(stopped.scanned) << where;
      EXPECT_EQ(stopped.files < whole.files, row.fewerFiles) << where << ": " << stopped.files << " files";
    }
    if (!row.stops) continue;
    EXPECT_TRUE(stopped.StopSeen()) << "no stop was looked for in " << where;
    const StoppedRun back(row.image, steps[row.step], row.from, true);
    for (size_t later = row.step + 1; later < steps.size(); ++later)
      EXPECT_LE(back.Gates(steps[later]), 1) << "Back in " << where << " went on in " << steps[later];
  }
}

}  // namespace
}  // namespace vantor
