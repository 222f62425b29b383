// Damaged NTFS volumes made by mkntfs and ntfs-3g
// (tests/fixtures/make-ntfs-lost-fixtures.sh): two file systems whose table is
// gone, a volume without its boot sectors, and one whose MFT cannot be mapped.
// What comes back is checked against what was put on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lost/NtfsExhaustiveScan.h"
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

std::string Fixtures() { return test::BuiltFixtures("ntfs-lost", "lost2.layout"); }

// The files of `want` that came back at their own path with their own bytes.
size_t Matching(const Contents& got, const Contents& want) {
  size_t same = 0;
  for (const auto& [path, sha] : want) {
    auto found = got.find(path);
    same += found != got.end() && found->second == sha ? 1 : 0;
  }
  return same;
}

// Both volumes found at the starts and ends their boot sectors give, their
// files byte-exact; again with both boot sectors zeroed, where each backup copy
// (the sector after its volume) stands for its primary, each volume once.
TEST(NtfsLostFixtures, ZeroedTableBothFileSystemsFoundAndRecoveredWhole) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the NTFS fixtures need root, FUSE, mkntfs and ntfs-3g";
  test::TempDir dir;
  const std::string bootless = dir / "lost2.img";
  std::filesystem::copy_file(folder + "/lost2.img", bootless);
  std::ifstream layout(folder + "/lost2.layout");
  std::vector<std::string> expected;
  for (std::string number, start, end; layout >> number >> start >> end;) {
    expected.push_back("File System " + number + " - NTFS\t" + start + "\t" + end + "\t");
    ASSERT_EQ(std::system(("dd if=/dev/zero of='" + bootless + "' bs=512 seek=" + start +
                           " count=1 conv=notrunc status=none")
                              .c_str()),
              0);
  }
  for (const std::string& image : {folder + "/lost2.img", bootless}) {
    const std::string source = "'" + image + "'";
    std::istringstream lines(Vantor("lost --quiet " + source + " --fs NTFS"));
    std::vector<std::string> found;
    for (std::string line; std::getline(lines, line);) found.push_back(line);
    ASSERT_EQ(found.size(), 2u) << image;
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(found[i].rfind(expected[i], 0), 0u) << found[i];
    for (const std::string number : {"1", "2"}) {
      const Contents want = Manifest(folder + "/lost2-" + number + ".manifest");
      const Contents got = Recovered(source + " --lost " + number + " --fs NTFS");
      EXPECT_EQ(Matching(got, want), want.size()) << image << ": file system " << number;
    }
  }
}

// Without its boot sectors the volume is found from two folders whose index
// blocks give its start and cluster size; its files come back byte-exact.
TEST(NtfsLostFixtures, VolumeWithoutBootSectorsFoundFromFolderPairs) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the NTFS fixtures need root, FUSE, mkntfs and ntfs-3g";
  const std::string source = "'" + folder + "/noboot.img'";
  const std::string json = Vantor("lost --quiet --json " + source + " --fs NTFS");
  EXPECT_NE(json.find("\"start\":2048,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"sectorsPerCluster\":8,"), std::string::npos) << json;
  const Contents want = Manifest(folder + "/noboot.manifest");
  EXPECT_EQ(Matching(Recovered(source + " --lost 1 --fs NTFS"), want), want.size());
}

// The MFT cannot be mapped: the normal scan finds nothing and switches; at
// least 95 % of the files come back with their names, folders and content, and
// a folder deleted before the damage is listed, deleted, with its files.
TEST(NtfsLostFixtures, UnmappableMftSwitchesToTheExhaustiveScan) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the NTFS fixtures need root, FUSE, mkntfs and ntfs-3g";
  const std::string source = "'" + folder + "/nomft.img'";
  const std::string listing = Vantor("scan " + source);
  EXPECT_NE(listing.find("Switching to Exhaustive Recovery"), std::string::npos);
  std::map<std::string, std::string> deleted;  // path -> y/n
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);)
    if (line.size() > 4 && line[1] == '\t') deleted[line.substr(line.rfind('\t') + 1)] = line.substr(2, 1);
  for (const std::string path : {"Old Projects", "Old Projects/project 1.txt", "Old Projects/project 3.txt"})
    EXPECT_EQ(deleted[path], "y") << path << "\n" << listing;
  const Contents want = Manifest(folder + "/nomft.manifest");
  EXPECT_GE(Matching(Recovered(source), want) * 100, want.size() * 95);
}

// Stop in any step of the search ends that step only: the later steps run over
// what was found. Stopped in the sweep's first run, before the first file
// system, nothing is found; stopped while the boot sectors are tested, the
// folder pairs still find both file systems at their starts.
TEST(NtfsLostFixtures, StopInEachStepOfTheSearchEndsThatStepOnly) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the NTFS fixtures need root, FUSE, mkntfs and ntfs-3g";
  std::ifstream layout(folder + "/lost2.layout");
  std::vector<uint64_t> starts;
  for (uint64_t number, start, end; layout >> number >> start >> end;) starts.push_back(start);
  const std::vector<std::string> steps = {kNtfsSweepText, kNtfsFolderNumbersText, kNtfsFileNumbersText,
                                          kNtfsConfirmText, "Step 4.2/5"};
  for (size_t stopIn = 0; stopIn < steps.size(); ++stopIn) {
    Session session;
    session.reader.mapDevice("\\\\.\\PhysicalDrive0", folder + "/lost2.img");
    RecoveryState state;
    state.endSector = session.reader.sourceSectors();
    state.partitionSearch = 1;
    test::ScriptedHost host;
    host.stopInStep = steps[stopIn];
    LostSearchLists lists;
    ASSERT_TRUE(SearchNtfsRecords(session.reader, host, state, lists));
    for (size_t later = stopIn + 1; later + 1 < steps.size(); ++later)
      EXPECT_TRUE(std::any_of(host.steps.begin(), host.steps.end(),
                              [&](const std::string& s) { return s.rfind(steps[later], 0) == 0; }))
          << "stopped in " << steps[stopIn] << ", " << steps[later] << " did not run";
    std::vector<uint64_t> found;
    for (const FoundFileSystem& f : lists.found) found.push_back(f.startSector);
    EXPECT_EQ(found, stopIn == 0 ? std::vector<uint64_t>{} : starts) << "stopped in " << steps[stopIn];
  }
}

}  // namespace
}  // namespace vantor
