// The saver's questions (an existing file, a file that cannot be created) and
// hostile names, on byte-built FAT volumes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "browser/BuildFolderTree.h"
#include "save/Destination.h"
#include "save/SaveTree.h"
#include "save/SavingWorker.h"
#include "support/FatVolumeImage.h"
#include "support/ScriptedHost.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::Content;
using test::ReadFile;
using test::TempDir;

struct Volume {
  TempDir dir;
  Session session;
  test::ScriptedHost host;
  std::vector<std::string> names;

  explicit Volume(std::vector<std::string> fileNames) : names(std::move(fileNames)) {
    test::FatVolumeImage image(1, 64);
    for (size_t i = 0; i < names.size(); ++i) {
      image.Store({static_cast<uint32_t>(2 + i)}, Content(100 + i, static_cast<uint8_t>(i)));
      session.catalog.AddFile({.shortName = names[i], .size = static_cast<uint32_t>(100 + i), .ownKey = static_cast<uint32_t>(2 + i)});
    }
    image.Attach(session, dir);
    session.setHost(&host);
    session.savingFilter.selectionMode = kSaveAll;
    ::setenv("VANTOR_CONFIG_DIR", (dir / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  }
  std::string out(const std::string& name = "") const { return dir / ("out/" + name); }
  void Existing() {
    fs::create_directories(out());
    for (const auto& name : names) test::WriteFile(out(name), {'o', 'l', 'd'});
  }
  std::string Save() {
    BuildFolderTree(session);
    EXPECT_EQ(AcceptDestination(session, out()), DestinationOutcome::kAccepted);
    return RunSaving(session);
  }
  bool Old(const std::string& name) const { return ReadFile(out(name)) == std::vector<uint8_t>{'o', 'l', 'd'}; }
};

TEST(SaveQuestionsTest, ExistingFilesFollowTheReplaceAnswers) {
  {
    Volume v({"A.DOC", "B.DOC", "C.DOC"});
    v.Existing();
    v.host.replaceAnswers = {ReplaceAnswer::kSkip, ReplaceAnswer::kReplace, ReplaceAnswer::kRename};
    EXPECT_EQ(v.Save(), kSavingCompleted);  // a skipped file counts as copied
    EXPECT_EQ(v.host.Count("replace:" + v.out("A.DOC")), 1);
    EXPECT_TRUE(v.Old("A.DOC"));
    EXPECT_EQ(ReadFile(v.out("B.DOC")), Content(101, 1));
    EXPECT_TRUE(v.Old("C.DOC"));
    EXPECT_EQ(ReadFile(v.out("C0.DOC")), Content(102, 2));
    EXPECT_EQ(v.session.savingRun.filesSaved, 2);
  }
  for (ReplaceAnswer all : {ReplaceAnswer::kSkipAll, ReplaceAnswer::kRenameAll, ReplaceAnswer::kReplaceAll}) {
    Volume v({"A.DOC", "B.DOC", "C.DOC"});
    v.Existing();
    v.host.replaceAnswers = {all};
    EXPECT_EQ(v.Save(), kSavingCompleted);
    EXPECT_EQ(v.host.Count("replace:" + v.out("A.DOC")), 1);
    EXPECT_EQ(std::count_if(v.host.calls.begin(), v.host.calls.end(), [](const std::string& call) { return call.starts_with("replace:"); }), 1);
    for (size_t i = 0; i < 3; ++i) {
      std::string name = v.names[i];
      EXPECT_EQ(v.Old(name), all != ReplaceAnswer::kReplaceAll);
      std::string renamed = name.substr(0, 1) + "0.DOC";
      EXPECT_EQ(fs::exists(v.out(renamed)), all == ReplaceAnswer::kRenameAll);
    }
  }
}

// A file that is created but whose every write fails, as on a full disk.
class FullDisk : public OutputFile {
 public:
  explicit FullDisk(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {}
  bool write(const uint8_t*, size_t) override { return false; }
  bool commit(const FileTime* time, bool replace) override { return file_->commit(time, replace); }
  std::string error() const override { return "No space left on device"; }

 private:
  std::unique_ptr<OutputFile> file_;
};

TEST(SaveQuestionsTest, UnwritableFilesAskAndLoseNothingSaved) {
  struct Case {
    std::vector<WriteErrorAnswer> answers;
    int questions;
    std::vector<bool> saved;  // A, B, C, D
  };
  const std::vector<Case> cases = {
      {{WriteErrorAnswer::kIgnore, WriteErrorAnswer::kIgnore}, 2, {true, false, false, true}},
      {{WriteErrorAnswer::kAbort}, 1, {true, false, false, false}},
      {{WriteErrorAnswer::kIgnoreAll}, 1, {true, false, false, true}},
      {{WriteErrorAnswer::kRetry, WriteErrorAnswer::kIgnore, WriteErrorAnswer::kIgnore}, 3, {true, false, false, true}},
  };
  // B and C cannot be created, or (a full disk) are created but every write fails.
  for (bool failAtWrite : {false, true}) {
    for (const Case& c : cases) {
      Volume v({"A.BIN", "B.BIN", "C.BIN", "D.BIN"});
      v.session.createFile = [failAtWrite, &v](const std::string& path,
                                               std::string& error) -> std::unique_ptr<OutputFile> {
        const bool failing = path.ends_with("B.BIN") || path.ends_with("C.BIN");
        if (failing && !failAtWrite) return nullptr;
        auto file = CreateOutputFile(v.session.savingRun.destination.get(), path, error);
        return failing ? std::make_unique<FullDisk>(std::move(file)) : std::move(file);
      };
      v.host.writeErrorAnswers = {c.answers.begin(), c.answers.end()};
      EXPECT_EQ(v.Save(), kSavingNotCompleted);
      EXPECT_EQ(v.host.Count("writeError:" + v.out("B.BIN")) + v.host.Count("writeError:" + v.out("C.BIN")), c.questions);
      int saved = 0;
      for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fs::exists(v.out(v.names[i])), c.saved[i]) << v.names[i];
        if (c.saved[i]) {
          ++saved;
          EXPECT_EQ(ReadFile(v.out(v.names[i])), Content(100 + i, static_cast<uint8_t>(i)));
        }
      }
      EXPECT_EQ(std::distance(fs::directory_iterator(v.out()), {}), saved) << "nothing half-written is left";
      EXPECT_EQ(v.session.savingRun.filesSaved, saved);
      ASSERT_FALSE(v.session.savingRun.notSaved.empty());
      EXPECT_EQ(v.session.savingRun.notSaved[0].path, v.out("B.BIN"));
      EXPECT_EQ(v.session.savingRun.notSaved[0].reason, failAtWrite ? "No space left on device" : "");
    }
  }
}

TEST(SaveQuestionsTest, HostileNamesStayInsideTheDestination) {
  Volume v({});
  test::FatVolumeImage image(1, 64);
  image.Store({2}, Content(50, 9));
  image.Attach(v.session, v.dir);
  auto& catalog = v.session.catalog;
  catalog.AddFolder({.shortName = "..", .ownKey = 10});
  catalog.AddFolder({.longName = u"../../escape", .ownKey = 11});
  catalog.AddFolder({.ownKey = 12});
  for (uint32_t i = 0; i < 500; ++i) catalog.AddFolder({.shortName = "d/..", .parentKey = i == 0 ? 10 : 100 + i - 1, .ownKey = 100 + i});
  const std::vector<std::u16string> names = {u"..", u".", u"a/../../b", u"", std::u16string(255, u'\u00E9'),
                                             std::u16string(u"nul\0inside", 10)};
  for (uint32_t parent : {0u, 10u, 11u, 12u, 599u})
    for (const auto& name : names) catalog.AddFile({.longName = name, .size = 50, .parentKey = parent, .ownKey = 2});
  fs::create_directories(v.dir / "nest");
  v.host.replaceAnswers = {ReplaceAnswer::kRenameAll};
  BuildFolderTree(v.session);
  ASSERT_EQ(AcceptDestination(v.session, v.dir / "nest/out"), DestinationOutcome::kAccepted);
  EXPECT_EQ(RunSaving(v.session), kSavingCompleted);
  size_t files = 0;
  for (const auto& item : fs::recursive_directory_iterator(v.dir / "nest/out"))
    if (item.is_regular_file()) {
      ++files;
      EXPECT_EQ(ReadFile(item.path().string()), Content(50, 9));
    }
  EXPECT_EQ(files, 5 * names.size());
  std::vector<std::string> beside;
  for (const auto& item : fs::directory_iterator(v.dir.path())) beside.push_back(item.path().filename().string());
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"data", "nest", "volume.img"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(v.dir / "nest"), fs::directory_iterator()), 1);
}

TEST(SaveQuestionsTest, ALinkInTheDestinationDoesNotLeadOut) {
  Volume v({"A.BIN"});
  v.session.catalog.AddFolder({.shortName = "LINKED", .ownKey = 40});
  v.session.catalog.AddFolder({.shortName = "DEEPER", .parentKey = 40, .ownKey = 41});
  v.session.catalog.files()[0].parentKey = 41;
  fs::create_directories(v.dir / "outside");
  fs::create_directories(v.out());
  fs::create_directory_symlink(v.dir / "outside", v.out("LINKED"));
  EXPECT_EQ(v.Save(), kSavingCompleted);
  EXPECT_TRUE(fs::is_empty(v.dir / "outside"));
  EXPECT_EQ(ReadFile(v.out("LINKED0/DEEPER/A.BIN")), Content(100, 0));  // the link is passed by
}

}  // namespace
}  // namespace vantor
