// `vantor recover` run as a user runs it, as a subprocess: destinations that must
// be refused leave everything as it was; a full destination, an interrupted run
// and a virtual disk cut short end with an honest report and exit code, and no
// file stands under its real name unless it is whole.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cctype>
#include <map>
#include <string>

#include "support/Shell.h"
#include "support/Snapshot.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::Shell;
using test::Snapshot;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}


class RecoverSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(test::FixturesDir() + "/fat/disk.img")) GTEST_SKIP() << "the FAT fixtures are not built";
  }
  // Runs vantor with `args` in the test's own home; standard output and error.
  std::string Run(const std::string& args, int* code, const std::string& environment = "") {
    return Shell("cd " + Quote(home_.path()) + " && XDG_DATA_HOME=" + Quote(home_ / "data") +
                     " VANTOR_CONFIG_DIR=" + Quote(home_ / "config") + " " + environment + " " +
                     Quote(test::VantorBin()) + " " + args + " 2>&1",
                 code);
  }
  std::string RecoveryLog() { return Shell("cat " + Quote(home_ / "data/vantor/Recovery Log.txt")); }
  // The regular files below `root` whose names are not those of finished files.
  static int PartialFiles(const std::string& root) {
    return std::stoi(Shell("find " + Quote(root) + " -name '.vantor-*.part' | wc -l"));
  }

  test::TempDir home_;
};

TEST_F(RecoverSafety, DestinationsThatStandAreRefusedAndLeftAlone) {
  const std::string fat = test::FixturesDir() + "/fat/disk.img";
  const std::string vmdk = test::FixturesDir() + "/fat/disk.vmdk";
  const std::string place = home_ / "place";
  fs::create_directories(place + "/readonly");
  test::WriteFile(place + "/notes.txt", {'k', 'e', 'e', 'p'});
  test::WriteFile(place + "/readonly/inside.txt", {'i', 'n'});
  test::WriteFile(place + "/theirs.txt", {'t'});
  ::chmod((place + "/notes.txt").c_str(), 0640);
  ::chmod((place + "/theirs.txt").c_str(), 0600);
  if (::getuid() == 0) {
    ASSERT_EQ(::chown((place + "/theirs.txt").c_str(), 65534, 65534), 0);
  }
  fs::create_symlink(place + "/theirs.txt", place + "/link");
  ::chmod((place + "/readonly").c_str(), 0555);
  const struct {
    std::string source, destination, reason;
  } cases[] = {
      {fat, place + "/notes.txt", place + "/notes.txt is a file, not a folder"},
      {fat, place + "/notes.txt/sub", place + "/notes.txt is a file, not a folder"},
      {vmdk, vmdk, vmdk + " is the source being recovered"},
      {fat, place + "/link", place + "/link is a file, not a folder"},
      {fat, place + "/readonly", place + "/readonly is read-only"},
  };
  const auto before = Snapshot(place);
  const std::string vmdkPrint = Shell("sha256sum " + Quote(vmdk) + "; stat -c '%a %Y' " + Quote(vmdk));
  for (const auto& c : cases) {
    int code = -1;
    std::string out = Run("recover " + Quote(c.source) + " -p 2 -o " + Quote(c.destination) + " --all", &code);
    EXPECT_EQ(code, 1) << c.destination;
    EXPECT_NE(out.find("Not a valid Destination. Please specify destination.\n" + c.reason), std::string::npos) << out;
    EXPECT_EQ(Snapshot(place), before) << c.destination;
  }
  EXPECT_EQ(Shell("sha256sum " + Quote(vmdk) + "; stat -c '%a %Y' " + Quote(vmdk)), vmdkPrint);
  EXPECT_EQ(RecoveryLog(), "") << "no saving ran";
}

TEST_F(RecoverSafety, AFullDestinationFailsAndLeavesNoShortFile) {
  const std::string image = test::FixturesDir() + "/save/fat32.img";
  if (!fs::exists(image)) GTEST_SKIP() << "the save fixtures are not built";
  const std::string out = home_ / "small";
  fs::create_directories(out);
  if (::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=100k") != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
  int code = -1;
  std::string said = Run("recover " + Quote(image) + " -o " + Quote(out) + " --all", &code);
  EXPECT_NE(said.find("vantor: too little free space on the destination"), std::string::npos) << said;
  EXPECT_EQ(code, 1);
  said = Run("recover " + Quote(image) + " -o " + Quote(out) + " --all --ignore-free-space", &code);
  // Each file of the manifest that stands in the destination is whole.
  std::map<std::string, std::string> contents;  // lower-case name -> sha256
  std::ifstream manifest(test::FixturesDir() + "/save/fat32.manifest");
  for (std::string line; std::getline(manifest, line);)
    contents[Lower(fs::path(line.substr(line.rfind('\t') + 1)).filename())] = line.substr(line.find('\t', 4) + 1, 64);
  int whole = 0;
  for (const auto& item : fs::recursive_directory_iterator(out)) {
    auto known = contents.find(Lower(item.path().filename()));
    if (!item.is_regular_file() || known == contents.end()) continue;
    EXPECT_EQ(Shell("sha256sum " + Quote(item.path()) + " | cut -c1-64"), known->second + "\n") << item.path();
    ++whole;
  }
  EXPECT_EQ(PartialFiles(out), 0);
  ::umount(out.c_str());
  EXPECT_EQ(code, 1) << said;
  EXPECT_NE(said.find(": No space left on device: skipped"), std::string::npos) << said;
  EXPECT_NE(said.find("Not Saved : " + out + "/Big random file.bin (No space left on device)"), std::string::npos) << said;
  EXPECT_NE(said.find("Saving not completed successfully."), std::string::npos);
  EXPECT_EQ(said.find("Saving completed successfully."), std::string::npos);
  EXPECT_GT(whole, 0) << "the small files fit";
  EXPECT_NE(RecoveryLog().find("Not Saved : "), std::string::npos);
}

TEST_F(RecoverSafety, InterruptedSavingLeavesNoHalfFile) {
  if (Shell("command -v mkfs.fat mcopy").empty()) GTEST_SKIP() << "needs dosfstools and mtools";
  const std::string image = home_ / "big.img";
  Shell("truncate -s 32M " + Quote(image) + " && mkfs.fat -F 16 " + Quote(image) + " >/dev/null && " +
        "printf small > " + Quote(home_ / "A.TXT") + " && head -c 6M /dev/urandom > " + Quote(home_ / "BIG.BIN") +
        " && mcopy -i " + Quote(image) + " " + Quote(home_ / "A.TXT") + " " + Quote(home_ / "BIG.BIN") + " ::/");
  const std::string out = home_ / "out";
  int code = -1;
  std::string said = Run("recover " + Quote(image) + " -o " + Quote(out) + " --all", &code,
                         "LD_PRELOAD=" + Quote(test::InterruptLib()) + " VANTOR_INTERRUPT_MATCH=.vantor- "
                         "VANTOR_INTERRUPT_AFTER=1048576 ASAN_OPTIONS=verify_asan_link_order=0");
  EXPECT_EQ(code, 130) << said;
  EXPECT_NE(said.find("vantor: interrupted"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(out + "/BIG.BIN"));
  EXPECT_EQ(PartialFiles(out), 0);
  EXPECT_EQ(Shell("cat " + Quote(out + "/A.TXT")), "small");
  std::string log = RecoveryLog();
  EXPECT_NE(log.find("Saving Report :"), std::string::npos) << log;
  EXPECT_NE(log.find("Saving aborted."), std::string::npos) << log;
}

TEST_F(RecoverSafety, AVirtualDiskCutShortIsToldAndItsFilesNamed) {
  const std::string whole = test::FixturesDir() + "/save/fat32.img";
  if (!fs::exists(whole) || Shell("command -v qemu-img").empty()) GTEST_SKIP() << "needs the save fixtures and qemu-img";
  const std::string vmdk = home_ / "cut.vmdk";
  Shell("qemu-img convert -O vmdk " + Quote(whole) + " " + Quote(vmdk));
  // Cut the last third of the grains: the files written last lose their tails.
  Shell("truncate -s $(( $(stat -c %s " + Quote(vmdk) + ") * 2 / 3 )) " + Quote(vmdk));
  int code = -1;
  std::string info = Run("info " + Quote(vmdk), &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(info.find("Beyond Its Files   : "), std::string::npos) << info;
  std::string said = Run("recover " + Quote(vmdk) + " -o " + Quote(home_ / "out") + " --all", &code);
  EXPECT_EQ(code, 1) << said;
  const std::string warning = " sectors of the virtual disk lie beyond its files and read as zeros";
  size_t first = said.find(warning);
  EXPECT_NE(first, std::string::npos) << said;
  EXPECT_EQ(said.find(warning, first + 1), std::string::npos) << "warned once";
  EXPECT_NE(said.find("Partly Zeros : " + home_ / "out/"), std::string::npos) << said;
  EXPECT_NE(said.find("Saving not completed successfully."), std::string::npos);
}

TEST_F(RecoverSafety, CommandsSayWhatWentWrongWithTheirExitCodes) {
  test::WriteFile(home_ / "empty.img", {});
  test::WriteFile(home_ / "noise.img", std::vector<uint8_t>(1 << 16, 0x5A));
  fs::create_directory(home_ / "folder");
  const std::string fat = Quote(test::FixturesDir() + "/fat/disk.img");
  const struct {
    std::string args;
    int code;
    std::string said;
  } cases[] = {
      {"partitions " + Quote(home_ / "folder"), 1, "Source is a folder, not a disk, an image or a virtual disk: "},
      {"partitions " + Quote(home_ / "empty.img"), 1, "no FAT or NTFS file system found on "},
      {"scan " + Quote(home_ / "noise.img"), 1, "no FAT or NTFS file system found on "},
      {"partitions " + Quote(home_ / "absent.img"), 1, "Source not found: "},
      {"recover " + fat + " -o out --frobnicate", 2, "vantor: unknown option --frobnicate\n"},
      {"scan " + fat + " -x", 2, "vantor: unknown option -x\n"},
      {"recover " + fat + " -p 2 -o quiet --all --quiet", 0, ""},
  };
  for (const auto& c : cases) {
    int code = -1;
    std::string out = Run(c.args, &code);
    EXPECT_EQ(code, c.code) << c.args << "\n" << out;
    if (c.said.empty()) {
      EXPECT_EQ(out, "") << c.args;
    } else {
      EXPECT_NE(out.find(c.said), std::string::npos) << c.args << "\n" << out;
    }
  }
}

TEST_F(RecoverSafety, NtfsSystemFilesOnlyWhenAskedAndNoTimeBefore1970) {
  const std::string ntfs = test::FixturesDir() + "/ntfs/disk.img";
  if (!fs::exists(ntfs)) GTEST_SKIP() << "the NTFS fixture is not built";
  for (bool include : {false, true}) {
    const std::string out = home_ / (include ? "with" : "without");
    int code = -1;
    std::string said = Run("recover " + Quote(ntfs) + " -o " + Quote(out) + " --all --quiet" +
                               (include ? " --include-system" : ""),
                           &code);
    EXPECT_EQ(code, 0) << said;
    EXPECT_EQ(fs::exists(out + "/$MFT"), include);
    EXPECT_EQ(fs::exists(out + "/$Extend"), include);
    for (const auto& item : fs::recursive_directory_iterator(out)) {
      struct stat info;
      ::lstat(item.path().c_str(), &info);
      EXPECT_GE(info.st_mtime, 0) << item.path();
    }
  }
}

}  // namespace
}  // namespace vantor
