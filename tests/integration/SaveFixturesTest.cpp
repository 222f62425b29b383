// `vantor recover` on volumes made by the real tools (tests/fixtures/
// make-save-fixtures.sh): every file is compared with what was written into the
// volume (sha256, size, last-write time), folders must be recreated, and nothing
// may appear outside the destination.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

using test::Shell;

namespace fs = std::filesystem;


std::string Quote(const std::string& text) { return "'" + text + "'"; }

struct Entry {
  std::string kind, deleted, size, sha256, mtime, path;
};

std::vector<Entry> ReadManifest(const std::string& path) {
  std::vector<Entry> entries;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> f;
    std::stringstream row(line);
    for (std::string field; std::getline(row, field, '\t');) f.push_back(field);
    if (f.size() == 6) entries.push_back({f[0], f[1], f[2], f[3], f[4], f[5]});
  }
  return entries;
}

// The expected last-write time: NTFS keeps UTC; FAT keeps the local time of the
// writer (UTC when the fixture was built) in two-second steps, read back as local.
int64_t ExpectedTime(const std::string& text, bool ntfs) {
  std::tm fields{};
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &fields.tm_year, &fields.tm_mon, &fields.tm_mday, &fields.tm_hour,
              &fields.tm_min, &fields.tm_sec);
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  if (ntfs) return static_cast<int64_t>(timegm(&fields));
  fields.tm_sec -= fields.tm_sec % 2;
  fields.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&fields));
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The path below `root` whose components equal those of `relative` without
// regard to case (mtools keeps lower-case 8.3 names as upper-case short entries
// with case flags, which the catalog shows byte for byte); empty when absent.
std::string FindIgnoringCase(const std::string& root, const std::string& relative) {
  fs::path at = root;
  std::stringstream parts(relative);
  for (std::string part; std::getline(parts, part, '/');) {
    std::error_code error;
    fs::path found;
    for (const auto& item : fs::directory_iterator(at, error))
      if (Lower(item.path().filename().string()) == Lower(part)) found = item.path();
    if (found.empty()) return {};
    at = found;
  }
  return at.string();
}

class SaveFixtures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = test::FixturesDir() + "/save";
    std::string script = test::SourceDir() + "/tests/fixtures/make-save-fixtures.sh";
    std::system(("bash " + Quote(script) + " " + Quote(folder_) + " >/dev/null 2>&1").c_str());
  }
  void Need(const std::string& name) {
    if (!fs::exists(folder_ + "/" + name + ".img")) GTEST_SKIP() << name << " fixture needs the tools of its file system";
    ::setenv("VANTOR_CONFIG_DIR", (temp_ / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (temp_ / "data").c_str(), 1);
  }
  // Runs `vantor recover IMAGE -o OUT ARGS`; returns its exit code.
  int Recover(const std::string& name, const std::string& out, const std::string& args) {
    int code = -1;
    Shell(Quote(test::VantorBin()) + " recover " + Quote(folder_ + "/" + name + ".img") + " -o " + Quote(out) +
            " --quiet " + args + " 2>&1",
        &code);
    return code;
  }
  // Checks every manifest entry under `out`; `take` says which entries are expected.
  void CheckAgainstManifest(const std::string& name, const std::string& out, bool ntfs,
                            const std::function<bool(const Entry&)>& take) {
    size_t files = 0;
    for (const Entry& e : ReadManifest(folder_ + "/" + name + ".manifest")) {
      std::string path = ntfs ? out + "/" + e.path : FindIgnoringCase(out, e.path);
      struct stat info;
      bool present = !path.empty() && ::lstat(path.c_str(), &info) == 0;
      if (!take(e)) {
        if (e.kind == "F") {
          EXPECT_FALSE(present) << e.path;
        }
        continue;
      }
      ASSERT_TRUE(present) << e.path;
      if (e.kind == "D") {
        EXPECT_TRUE(S_ISDIR(info.st_mode)) << path;
        EXPECT_EQ(static_cast<int64_t>(info.st_mtime), ExpectedTime(e.mtime, ntfs)) << path;
        continue;
      }
      ++files;
      EXPECT_EQ(std::to_string(info.st_size), e.size) << path;
      EXPECT_EQ(Shell("sha256sum " + Quote(path) + " | cut -c1-64"), e.sha256 + "\n") << path;
      EXPECT_EQ(static_cast<int64_t>(info.st_mtime), ExpectedTime(e.mtime, ntfs)) << path;
    }
    EXPECT_GT(files, 0u);
  }
  // Nothing but the destinations (and the logs' folders) was made beside them.
  void OnlyInside(const std::set<std::string>& outs) {
    for (const auto& item : fs::directory_iterator(temp_.path()))
      EXPECT_TRUE(outs.count(item.path().filename().string()) != 0 || item.path().filename() == "config" ||
                  item.path().filename() == "data")
          << item.path();
  }

  static inline std::string folder_;
  test::TempDir temp_;
};

TEST_F(SaveFixtures, FatAllDeletedOnlyAndSelect) {
  Need("fat32");
  std::string all = temp_ / "all";
  EXPECT_EQ(Recover("fat32", all, "--all"), 0);
  CheckAgainstManifest("fat32", all, false, [](const Entry&) { return true; });
  EXPECT_TRUE(fs::exists(all + "/ROOT.TXT"));  // the root's files go straight into DIR
  std::string deleted = temp_ / "deleted";
  EXPECT_EQ(Recover("fat32", deleted, "--deleted-only"), 0);
  CheckAgainstManifest("fat32", deleted, false, [](const Entry& e) { return e.deleted == "y" || e.kind == "D"; });
  std::string some = temp_ / "some";
  EXPECT_EQ(Recover("fat32", some, "--select docs/sub --select ROOT.TXT"), 0);
  CheckAgainstManifest("fat32", some, false, [](const Entry& e) {
    return e.path == "ROOT.TXT" || e.path.rfind("docs/sub", 0) == 0 || (e.kind == "D" && e.path == "docs");
  });
  EXPECT_NE(Recover("fat32", temp_ / "none", "--select no/such/folder"), 0);
  OnlyInside({"all", "deleted", "some", "none"});
}

TEST_F(SaveFixtures, NtfsAllAndRenameOnASecondRun) {
  Need("ntfs");
  std::string all = temp_ / "all";
  EXPECT_EQ(Recover("ntfs", all, "--all"), 0);
  CheckAgainstManifest("ntfs", all, true, [](const Entry&) { return true; });
  // Saving again into the same folder renames by default and skips on request.
  EXPECT_EQ(Recover("ntfs", all, "--select ROOT.TXT"), 0);
  EXPECT_TRUE(fs::exists(all + "/ROOT0.TXT"));
  EXPECT_EQ(Recover("ntfs", all, "--select ROOT.TXT --on-exists skip"), 0);
  EXPECT_FALSE(fs::exists(all + "/ROOT1.TXT"));
  OnlyInside({"all"});
}

}  // namespace
}  // namespace vantor
