// The saver's rules that need no volume: the filter, safe names, the rename rule,
// the destination check and the size and time texts.
#include <gtest/gtest.h>

#include <set>
#include <unordered_map>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "browser/BuildFolderTree.h"
#include "catalog/RecordPredicates.h"
#include "core/SizeText.h"
#include "platform/Utf.h"
#include "save/Destination.h"
#include "save/DestinationTree.h"
#include "save/FileFilter.h"
#include "save/FileStart.h"
#include "save/Progress.h"
#include "save/SafeName.h"
#include "session/Session.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

using test::TempDir;

uint32_t DosDate(int year, int month, int day) { return static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day); }

FileRecord FatFile(int year, int month, int day) {
  FileRecord file;
  file.modified = {DosDate(year, month, day), 0};
  return file;
}

TEST(SavingRulesTest, DateRangesAreInclusiveAndDayExact) {
  SavingFilter filter;
  EXPECT_TRUE(PassesDateRanges(filter, FatFile(1999, 1, 1), false));  // every range off
  filter.dateRange[0] = {29, 2, 2020, 1, 2, 2020};                      // 2020-02-01 .. 2020-02-29
  EXPECT_FALSE(PassesDateRanges(filter, FatFile(2020, 1, 31), false));
  EXPECT_TRUE(PassesDateRanges(filter, FatFile(2020, 2, 1), false));
  EXPECT_TRUE(PassesDateRanges(filter, FatFile(2020, 2, 29), false));
  EXPECT_FALSE(PassesDateRanges(filter, FatFile(2020, 3, 1), false));
  EXPECT_FALSE(PassesDateRanges(filter, FatFile(2021, 2, 10), false));
  // NTFS stamps by their calendar date as stored: 2012-03-05 14:07:09 UTC.
  FileRecord ntfs;
  const uint64_t time = (1330956429ull + 11644473600ull) * 10000000ull;
  ntfs.modified = {static_cast<uint32_t>(time), static_cast<uint32_t>(time >> 32)};
  CalendarDate date = StampDate(ntfs.modified, true);
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 20120305);
  filter.dateRange[0] = {5, 3, 2012, 5, 3, 2012};
  EXPECT_TRUE(PassesDateRanges(filter, ntfs, true));
  filter.dateRange[0] = {};
  filter.dateRange[1] = {4, 3, 2012, 1, 1, 2000};  // the created stamp (0 = 1601) is outside
  EXPECT_FALSE(PassesDateRanges(filter, ntfs, true));
}

TEST(SavingRulesTest, SelectionDeletedAndExtensionFilters) {
  EXPECT_TRUE(PassesSelection(kSaveSelected, 'y'));
  EXPECT_FALSE(PassesSelection(kSaveSelected, 'n'));
  EXPECT_TRUE(PassesSelection(kInvertSelection, 'n'));
  EXPECT_FALSE(PassesSelection(kInvertSelection, 'y'));
  EXPECT_TRUE(PassesSelection(kSaveAll, 'n'));
  SavingFilter filter;
  filter.deletedMode = kDeletedOnly;
  EXPECT_TRUE(PassesDeletedMode(filter, 'y'));
  EXPECT_FALSE(PassesDeletedMode(filter, 'n'));
  filter.deletedMode = kExcludeDeleted;
  EXPECT_FALSE(PassesDeletedMode(filter, 'y'));
  EXPECT_TRUE(PassesExtensions(filter, u"any.thing"));
  ASSERT_TRUE(filter.AddExtension(u"doc"));
  ASSERT_TRUE(filter.AddExtension(u"JPEG"));
  EXPECT_TRUE(PassesExtensions(filter, u"REPORT.DOC"));
  EXPECT_TRUE(PassesExtensions(filter, u"a.b.jpeg"));
  EXPECT_FALSE(PassesExtensions(filter, u"report.docx"));
  EXPECT_FALSE(PassesExtensions(filter, u"doc.txt"));
  EXPECT_FALSE(PassesExtensions(filter, u"DOCX"));
  for (int i = 2; i < 100; ++i) EXPECT_TRUE(filter.AddExtension(u"x"));
  EXPECT_FALSE(filter.AddExtension(u"y"));
}

TEST(SavingRulesTest, SafeNamesAndContainment) {
  EXPECT_EQ(SafeName(u".."), "_..");
  EXPECT_EQ(SafeName(u"."), "_.");
  EXPECT_EQ(SafeName(u""), "_");
  EXPECT_EQ(SafeName(u"a/b/../c"), "a_b_.._c");
  EXPECT_EQ(SafeName(std::u16string(u"x\0y", 3)), "x_y");
  std::string long255 = SafeName(std::u16string(254, u'\u00E9') + u".txt");
  EXPECT_LE(long255.size(), kMaxNameBytes);
  EXPECT_EQ(long255.substr(long255.size() - 4), ".txt");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(long255)), long255);  // cut on a character boundary
  TempDir dir;
  std::string inside = dir / "dest";
  std::filesystem::create_directory(inside);
  ::symlink("/tmp", (inside + "/link").c_str());
  EXPECT_TRUE(InsideFolder(inside, inside + "/a/b"));
  EXPECT_TRUE(InsideFolder(inside, inside));
  EXPECT_FALSE(InsideFolder(inside, inside + "/../x"));
  EXPECT_FALSE(InsideFolder(inside, inside + "/link/x"));
  EXPECT_FALSE(InsideFolder(inside, inside + "x"));
}

TEST(SavingRulesTest, UniqueNameCountsBeforeTheExtensionOnceForAllFiles) {
  std::set<std::string> names = {"/d/report.doc", "/d/README", "/d/report1.doc"};
  uint64_t tries = 0;
  const PathTaken taken = [&](const std::string& path) { return ++tries, names.count(path) != 0; };
  std::unordered_map<std::string, uint64_t> next;
  const auto renamed = [&](std::string path) {
    UniqueName(path, taken, next);
    names.insert(path);
    return path;
  };
  EXPECT_EQ(renamed("/d/report.doc"), "/d/report0.doc");
  EXPECT_EQ(renamed("/d/report.doc"), "/d/report2.doc");  // report1.doc stood before
  EXPECT_EQ(renamed("/d/README"), "/d/README0");
  EXPECT_EQ(renamed("/d/" + std::string(251, 'n') + ".doc"), "/d/" + std::string(250, 'n') + "0.doc");
  // Past 9999 the numbers go on, and each file of one name costs one try.
  tries = 0;
  for (int i = 0; i < 12000; ++i) renamed("/d/same.txt");
  EXPECT_EQ(tries, 12000u);
  EXPECT_EQ(renamed("/d/same.txt"), "/d/same12000.txt");
}

TEST(SavingRulesTest, DestinationCheck) {
  TempDir dir;
  Session s;
  test::ScriptedHost host;
  s.setHost(&host);
  const std::string source = dir / "source.img";
  test::WriteFile(source, {7});
  s.reader.mapDevice("\\\\.\\PhysicalDrive0", source);
  EXPECT_EQ(AcceptDestination(s, ""), DestinationOutcome::kInvalid);
  // Nothing that stands is given up for a destination, and a refused one leaves
  // no folder made on its way.
  test::WriteFile(dir / "blocker", {1});
  std::filesystem::create_directory(dir / "locked");
  std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
  s.state.fileSystemName = u"FAT32";
  BuildFolderTree(s);
  const std::string refused = "message:Not a valid Destination. Please specify destination.\n";
  const struct {
    std::string path, reason;
  } refusals[] = {
      {dir / "blocker", dir / "blocker is a file, not a folder"},
      {dir / "blocker/new/deeper", dir / "blocker is a file, not a folder"},
      {source, source + " is the source being recovered"},
      {dir / "dangling/out", dir / "dangling is a link that leads nowhere"},
      {dir / "locked", dir / "locked is read-only"},
      {dir / "fresh/made/../../blocker/x", dir / "fresh/made/../../blocker is a file, not a folder"},
  };
  for (const auto& r : refusals) {
    EXPECT_EQ(AcceptDestination(s, r.path), DestinationOutcome::kInvalid) << r.path;
    EXPECT_EQ(host.calls.back(), refused + r.reason);
  }
  EXPECT_EQ(test::ReadFile(dir / "blocker"), std::vector<uint8_t>{1});
  EXPECT_EQ(test::ReadFile(source), std::vector<uint8_t>{7});
  EXPECT_FALSE(std::filesystem::exists(dir / "fresh"));
  // A path whose folders are missing is made level by level.
  EXPECT_EQ(AcceptDestination(s, dir / "new/deeper"), DestinationOutcome::kNothingSelected);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new/deeper"));
  EXPECT_EQ(host.calls.back(), "message:You have not selected any file/folder.");
  EXPECT_EQ(AcceptDestination(s, dir / "raw", true), DestinationOutcome::kAccepted);
  // More than the free space: asked; No chooses again, Yes goes on.
  s.catalog.AddFile({.shortName = "HUGE.BIN", .size = (uint64_t{1u << 20} << 32) | 0, .ownKey = 2});
  s.savingFilter.selectionMode = kSaveAll;
  BuildFolderTree(s);
  host.questionAnswers = {false, true};
  EXPECT_EQ(AcceptDestination(s, dir.path()), DestinationOutcome::kChooseAnother);
  EXPECT_EQ(host.calls.back(),
            "question:Insufficient free space on destination drive. Selected file/folder requires 4194304.000 GB "
            "of free space. Press Yes if you want continue with it.");
  EXPECT_EQ(AcceptDestination(s, dir.path()), DestinationOutcome::kAccepted);
  EXPECT_EQ(s.savingRun.filesRequired, 1);
  EXPECT_EQ(s.savingRun.bytesRequired, 1ull << 52);
}

TEST(SavingRulesTest, SizeAndTimeTexts) {
  EXPECT_EQ(MegaGigaText(1ull << 30), "1024.000 MB");
  EXPECT_EQ(MegaGigaText((1ull << 30) + 1), "1.000 GB");
  EXPECT_EQ(SavingSizeText(3 << 20), "3.000 MB size in");
  EXPECT_EQ(MinutesText(125), "2 Min 5 Sec");
}

// Each folder is reached from the one before: up to the level both share, then
// down. Climbing from a deeper folder to a shallower one or to a sibling must
// land where a walk from the top would.
TEST(SavingRulesTest, DestinationTreeReachesEachFolderFromTheLastOne) {
  test::TempDir out;
  std::string problem;
  DestinationTree tree(OpenDestination(out.path(), {}, problem));
  const char* const walk[] = {"a/b/c/d", "a/x", "a", "a/b/c/d/e", "q", "a/b", "a/b/c/d/e/f/g", "a/b/y"};
  int n = 0;
  for (const char* relative : walk) {
    SCOPED_TRACE(relative);
    const OutputFolder* folder = tree.folder(out / relative, true, problem);
    ASSERT_NE(folder, nullptr) << problem;
    const std::string name = "file" + std::to_string(++n);
    std::unique_ptr<OutputFile> file = tree.create(out / relative + "/" + name, problem);
    ASSERT_NE(file, nullptr) << problem;
    ASSERT_TRUE(file->commit(nullptr, false)) << file->error();
    EXPECT_TRUE(std::filesystem::is_regular_file(out / relative + "/" + name));
    EXPECT_EQ(tree.kindOf(out / relative), EntryKind::kFolder);
  }
}

}  // namespace
}  // namespace vantor
