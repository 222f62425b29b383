// Damaged FAT volumes made by the real tools (tests/fixtures/make-lost-fixtures.sh):
// a disk whose MBR is zeroed, FAT32 without its boot sectors, FAT32 formatted
// over its folders, a floppy without its root, and a volume with a deleted folder
// of many clusters. What comes back is checked against what was put on them.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/Recovered.h"
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
  for (const std::string name : {"reformat32", "floppy-noroot"}) {
    const std::string source = "'" + folder + "/" + name + ".img'";
    EXPECT_NE(Vantor("scan " + source).find("Switching to Exhaustive Recovery"), std::string::npos) << name;
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

}  // namespace
}  // namespace vantor
