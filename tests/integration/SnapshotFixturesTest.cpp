// Snapshot chains made by qemu-img and qemu-io, and one as ESXi keeps it (a
// vmfsSparse snapshot over a vmfs disk): each link reads as the disk was
// when it was the newest (the raw state the fixture script kept), a parent
// whose CID changed or that is missing refuses the snapshot with its reason, and
// --ignore-cid reads it all the same.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Shell.h"
#include "support/SleuthKit.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

std::string SnapshotFixtures() {
  const std::string root = test::FixturesDir();
  const std::string script = test::SourceDir() + "/tests/fixtures/make-snapshot-fixtures.sh";
  if (std::system(("VANTOR_FIXTURES='" + root + "' '" + script + "' >/dev/null 2>&1").c_str()) != 0) return {};
  return root + "/snapshots";
}

TEST(SnapshotFixtures, EachLinkReadsAsItsStateAndParentsAreChecked) {
  const std::string folder = SnapshotFixtures();
  if (folder.empty()) GTEST_SKIP() << "the snapshot fixtures need qemu-img, qemu-io and mtools";
  const std::string vantor = "'" + test::VantorBin() + "' ";
  const std::vector<std::pair<std::string, std::string>> links = {
      {"base.vmdk", "state0.img"},     {"snap1.vmdk", "state1.img"},     {"snap2.vmdk", "state2.img"},
      {"esx/base.vmdk", "state0.img"}, {"esx/snap1.vmdk", "state1.img"}};
  for (const auto& [link, state] : links) {
    const std::string disk = folder + "/" + link, raw = folder + "/" + state;
    EXPECT_EQ(test::Shell(vantor + "read '" + disk + "' 0 65536 | sha256sum"), test::Shell("sha256sum < '" + raw + "'"))
        << link;
    EXPECT_EQ(test::Shell(vantor + "scan '" + disk + "' --quiet | cut -f1-3,7"),
              test::Shell(vantor + "scan '" + raw + "' --quiet | cut -f1-3,7"))
        << link;
  }
  // The newest link's files, saved, are what icat gives from the raw state.
  if (std::system("command -v icat >/dev/null") == 0) {
    test::TempDir out;
    int saved = -1;
    test::Shell(vantor + "recover '" + folder + "/snap2.vmdk' -o '" + out.path() + "' 2>&1", &saved);
    EXPECT_EQ(saved, 0);
    const auto files = test::FlsFiles(folder + "/state2.img", "2048");
    EXPECT_GE(files.size(), 2u);
    for (const auto& [path, address] : files) {
      const std::vector<uint8_t> bytes = test::ReadFile(out / path);
      EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == test::IcatBytes(folder + "/state2.img", "2048", address))
          << path;
    }
  }
  EXPECT_NE(test::Shell(vantor + "info '" + folder + "/snap2.vmdk'")
                .find("\nParent Disk   : " + folder + "/snap1.vmdk\nParent Disk   : " + folder + "/base.vmdk\n"),
            std::string::npos);

  int code = 0;
  const std::string wrong = folder + "/wrongcid/snap1.vmdk";
  const std::string refused = test::Shell(vantor + "partitions '" + wrong + "' 2>&1", &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(refused.find("its parent disk " + folder + "/wrongcid/base.vmdk has CID "), std::string::npos) << refused;
  test::Shell(vantor + "partitions '" + wrong + "' --ignore-cid", &code);
  EXPECT_EQ(code, 0);

  test::TempDir alone;
  std::filesystem::copy_file(folder + "/snap2.vmdk", alone / "snap2.vmdk");
  const std::string missing = test::Shell(vantor + "partitions '" + (alone / "snap2.vmdk") + "' 2>&1", &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(missing.find("its parent disk " + (alone / "snap1.vmdk") + " is missing"), std::string::npos) << missing;
}

}  // namespace
}  // namespace vantor
