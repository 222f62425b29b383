// What `vantor scan` lists is what `vantor recover --all` saves, on every file
// system of every fixture: each listed folder stands in the destination, each
// listed file is there with the listed size (a second file of the same path is
// saved under a numbered name beside it), and nothing else is written. A listed
// file that the saver never reaches, or a saved file that was never listed,
// fails here whatever change opened the gap.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/FixtureTools.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Folder path -> sizes of its files, as listed or as saved, and the folders.
struct Tree {
  std::map<std::string, std::multiset<uint64_t>> files;
  std::set<std::string> folders;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

Tree Listed(const std::string& listing) {
  Tree tree;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() != 7) continue;
    if (fields[0] == "D") tree.folders.insert(fields[6]);
    if (fields[0] == "F") tree.files[FolderOf(fields[6])].insert(std::stoull(fields[2]));
  }
  return tree;
}

Tree Saved(const std::string& root) {
  Tree tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) tree.folders.insert(path);
    else tree.files[FolderOf(path)].insert(entry.file_size());
  }
  return tree;
}

// Every file system `vantor partitions` lists on `image`.
int FileSystems(const std::string& image) {
  std::istringstream lines(test::Shell(Quote(test::VantorBin()) + " partitions " + Quote(image) + " 2>/dev/null"));
  int count = 0;
  for (std::string line; std::getline(lines, line);) count += line.rfind("Partition - ", 0) == 0 ? 1 : 0;
  return count;
}

class RecoverMatchesScan : public ::testing::TestWithParam<std::string> {};

TEST_P(RecoverMatchesScan, OnEveryFileSystem) {
  const std::string& name = GetParam();
  const std::string image = test::FixturesDir() + "/" + name;
  if (!fs::exists(image)) {
    const std::string why = test::WhyNotBuilt(name);
    if (!why.empty()) GTEST_SKIP() << why;
    FAIL() << image << " is missing, though this machine has what tests/fixtures/ needs to build it";
  }
  const int count = FileSystems(image);
  EXPECT_GT(count, 0) << name;
  for (int p = 1; p <= count; ++p) {
    const std::string where = name + " -p " + std::to_string(p);
    const std::string source = Quote(image) + " -p " + std::to_string(p);
    test::TempDir out;
    int code = -1;
    const Tree listed =
        Listed(test::Shell(Quote(test::VantorBin()) + " scan " + source + " --quiet 2>/dev/null", &code));
    ASSERT_EQ(code, 0) << where;
    const std::string report = test::Shell(Quote(test::VantorBin()) + " recover " + source +
                                               " --all --include-system -o " + Quote(out.path()) + " 2>&1",
                                           &code);
    EXPECT_EQ(code, 0) << where << "\n" << report;
    const Tree saved = Saved(out.path());
    EXPECT_EQ(saved.folders, listed.folders) << where;
    for (const auto& [folder, sizes] : listed.files)
      EXPECT_EQ(saved.files.count(folder) ? saved.files.at(folder) : std::multiset<uint64_t>(), sizes)
          << where << ": files of '" << folder << "'";
    for (const auto& [folder, sizes] : saved.files)
      EXPECT_TRUE(listed.files.count(folder)) << where << ": saved, never listed: files of '" << folder << "'";
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RecoverMatchesScan,
                         ::testing::Values("fat/disk.img", "fat/floppy.img", "fat/onefat.img", "fat/disk.vmdk",
                                           "save/fat32.img", "save/ntfs.img", "ntfs/disk.img", "ntfs/mftgrow.img",
                                           "ntfs/features.img", "ntfs/features.vmdk", "fat/oemnames.img",
                                           "fat/oemnames.vmdk", "fat/onefat.vmdk", "gpt/gpt.vmdk", "gpt/backup.img",
                                           "snapshots/snap2.vmdk", "snapshots/esx/snap1.vmdk"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace vantor
