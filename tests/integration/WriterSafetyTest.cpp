// Every writer of `vantor` (recover and its report, raw, image, a saved state)
// run as a subprocess on destinations that an attacker or an unlucky user set
// up: links planted at the names it will create, a file beside the target with a
// name it might clean up, a read-only destination, a folder swapped for a link
// during the run, forged image maps, a FIFO named as a disk. Nothing that stood
// changes (bytes, mode, link target), nothing is written outside the
// destination, and the exit code tells what happened.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

std::string Sample() { return test::SourceDir() + "/samples/sample.vmdk"; }


class WriterSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(elsewhere_ / "folder");
    std::ofstream(elsewhere_ / "target.txt") << "kept";
  }
  // vantor ARGS under the write watch, in the test's home; output and error.
  std::string Run(const std::string& args, int* code, const std::string& environment = "") {
    return Shell("cd " + Quote(home_.path()) + " && XDG_DATA_HOME=" + Quote(home_ / "data") +
                     " VANTOR_CONFIG_DIR=" + Quote(home_ / "config") +
                     // A sanitized build must let the preloaded watch come first.
                     " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LD_PRELOAD=" + Quote(test::WriteWatchLib()) +
                     " VANTOR_WRITE_LOG=" + Quote(home_ / "writes.log") + " " + environment + " " +
                     Quote(test::VantorBin()) + " " + args + " 2>&1",
                 code);
  }
  // The paths the run opened for writing, made, renamed to or removed outside
  // the test's home (the destinations lie in it; `elsewhere_` does not).
  std::string WritesOutside() {
    return Shell("grep -v -E ' (" + home_.path() + "/|/dev/null$|/dev/pts/)' " + Quote(home_ / "writes.log") +
                 " 2>/dev/null; rm -f " + Quote(home_ / "writes.log"));
  }
  std::string Destination(const std::string& name) {
    fs::create_directories(home_ / name);
    return home_ / name;
  }

  test::TempDir home_;
  test::TempDir elsewhere_;
};

// Links planted at the names a writer makes: each link and what it names stay as
// they are; the writer takes another name, or fails saying why.
TEST_F(WriterSafety, PlantedLinksAreNeitherFollowedNorReplaced) {
  const std::string target = elsewhere_ / "target.txt", folder = elsewhere_ / "folder";
  const struct {
    const char* name;
    std::string command;  // DEST stands for the destination folder
    std::vector<std::pair<std::string, std::string>> links;  // name in DEST -> what it names
    int code;
    const char* written;  // a file the writer makes instead, or ""
  } cases[] = {
      {"recover", "recover SAMPLE -p 1 -o DEST --all", {{"README.TXT", target}, {"Documents", folder}}, 0,
       "README0.TXT"},
      {"recover --report", "recover SAMPLE -p 1 -o DEST/out --all --report DEST/report.xml",
       {{"report.xml", target}}, 1, ""},
      {"raw report", "raw SAMPLE -o DEST --types BMP", {{"raw-report.csv", target}}, 0, "raw-report1.csv"},
      {"raw file", "raw SAMPLE -o DEST --types BMP", {{"BMP", folder}}, 1, ""},
      {"raw dangling", "raw SAMPLE -o DEST --types BMP", {{"BMP", elsewhere_ / "gone"}}, 1, ""},
      {"image piece", "image SAMPLE -o DEST/Image.img", {{"Image0.img", target}}, 1, ""},
      {"image map", "image SAMPLE -o DEST/Image.img", {{"Image0.map", target}, {"Image0.map.partial", target}}, 1,
       ""},
      {"state", "scan SAMPLE -p 1 --save-state DEST/run", {{"RUN.ST4", target}, {"RUN.ST4.partial", target}}, 1,
       ""},
  };
  int number = 0;
  for (const auto& c : cases) {
    const std::string dest = Destination("case" + std::to_string(number++));
    for (const auto& [name, to] : c.links) fs::create_symlink(to, dest + "/" + name);
    std::string command = c.command;
    for (size_t at; (at = command.find("SAMPLE")) != std::string::npos;) command.replace(at, 6, Quote(Sample()));
    for (size_t at; (at = command.find("DEST")) != std::string::npos;) command.replace(at, 4, dest);
    const auto before = Snapshot(elsewhere_.path());
    std::map<std::string, std::string> links;
    for (const auto& [name, to] : c.links) links[name] = fs::read_symlink(dest + "/" + name);
    int code = -1;
    const std::string said = Run(command + " --quiet", &code);
    EXPECT_EQ(code, c.code) << c.name << "\n" << said;
    EXPECT_EQ(Snapshot(elsewhere_.path()), before) << c.name;
    for (const auto& [name, to] : links) {
      EXPECT_TRUE(fs::is_symlink(dest + "/" + name)) << c.name << ": " << name;
      if (fs::is_symlink(dest + "/" + name)) {
        EXPECT_EQ(fs::read_symlink(dest + "/" + name), to) << c.name;
      }
    }
    if (*c.written != 0) {
      EXPECT_TRUE(fs::is_regular_file(dest + "/" + c.written)) << c.name << "\n" << said;
    }
    EXPECT_EQ(WritesOutside(), "") << c.name;
  }
}

// Imaging removes only pieces that an earlier copy's map lists: never the disk
// being copied, never a file beside the target that it did not make.
TEST_F(WriterSafety, ImagingNeverRemovesWhatItDidNotMake) {
  const std::string dest = Destination("image");
  const std::string source = dest + "/disk1.img";
  fs::copy_file(test::FixturesDir() + "/fat/floppy.img", source);
  std::ofstream(dest + "/backup1.img") << "another backup";
  const auto before = Snapshot(dest);
  int code = -1;
  std::string said = Run("image " + Quote(source) + " -o " + Quote(dest + "/disk.img") + " --quiet", &code);
  EXPECT_EQ(code, 0) << said;
  said = Run("image " + Quote(source) + " -o " + Quote(dest + "/backup.img") + " --quiet", &code);
  EXPECT_EQ(code, 0) << said;
  for (const auto& [path, print] : before) EXPECT_EQ(Snapshot(dest)[path], print) << path;
  EXPECT_EQ(Shell("cmp " + Quote(source) + " " + Quote(dest + "/disk0.img") + " && echo same"), "same\n");
}

// Destinations that cannot serve are refused before the source is read, with
// the reason, and nothing is made there.
TEST_F(WriterSafety, UnusableDestinationsAreRefusedBeforeAnyRead) {
  const std::string locked = Destination("locked");
  ::chmod(locked.c_str(), 0555);
  const struct {
    std::string command, reason;
  } cases[] = {
      {"recover SAMPLE -p 1 -o LOCKED --all", "is read-only"},
      {"recover SAMPLE -p 1 -o SAMPLE --all", "is the source being recovered"},
      {"raw SAMPLE -o LOCKED --types BMP", "is read-only"},
      {"image SAMPLE -o LOCKED/Image.img", "is read-only"},
      {"scan SAMPLE -p 1 --save-state LOCKED/run", "is read-only"},
      {"lost SAMPLE --fs FAT32 --save-state LOCKED/run", "is read-only"},
  };
  for (const auto& c : cases) {
    std::string command = c.command;
    for (size_t at; (at = command.find("SAMPLE")) != std::string::npos;) command.replace(at, 6, Quote(Sample()));
    for (size_t at; (at = command.find("LOCKED")) != std::string::npos;) command.replace(at, 6, locked);
    int code = -1;
    const std::string said = Run(command + " --quiet", &code);
    EXPECT_EQ(code, 1) << command << "\n" << said;
    EXPECT_NE(said.find(c.reason), std::string::npos) << command << "\n" << said;
    EXPECT_TRUE(fs::is_empty(locked)) << command;
    EXPECT_EQ(Shell("grep -q 'Step 3' " + Quote(home_ / "data/vantor/Activity Log.txt") + " && echo scanned"), "")
        << command << ": the source was read";
  }
  ::chmod(locked.c_str(), 0755);
}

// A folder on a file system of the very device being read is refused: writing
// there would overwrite the sectors being recovered.
TEST_F(WriterSafety, ADestinationOnTheSourceDeviceIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "a loop device needs root";
  const std::string volume = home_ / "ext4.img", mount = Destination("mounted");
  const std::string loop = Shell("truncate -s 8M " + Quote(volume) + " && mkfs.ext4 -q " + Quote(volume) +
                                 " && losetup -f --show " + Quote(volume) + " | tr -d '\\n'");
  if (loop.empty()) GTEST_SKIP() << "losetup does not work here";
  struct Detach {
    std::string loop, mount;
    ~Detach() { Shell("umount " + Quote(mount) + " 2>/dev/null; losetup -d " + Quote(loop)); }
  } detach{loop, mount};
  int code = -1;
  Shell("mount " + Quote(loop) + " " + Quote(mount) + " 2>&1", &code);
  if (code != 0) GTEST_SKIP() << "mounting ext4 does not work here";
  const auto before = Snapshot(mount);
  for (const std::string& command : {"raw " + loop + " -o " + mount + "/out --types BMP",
                                     "image " + loop + " -o " + mount + "/Image.img"}) {
    const std::string said = Run(command + " --quiet", &code);
    EXPECT_EQ(code, 1) << command << "\n" << said;
    EXPECT_NE(said.find("lies on " + loop + ", the device being recovered"), std::string::npos) << said;
    EXPECT_EQ(Snapshot(mount), before) << command;
  }
}

// A folder of the destination replaced by a link between two files of a save:
// the files after the swap go into the folder that was made, or are reported
// not saved; none lands where the link points.
TEST_F(WriterSafety, AFolderSwappedForALinkDuringASaveReceivesNothing) {
  const std::string dest = Destination("swap");
  const auto before = Snapshot(elsewhere_.path());
  int code = -1;
  const std::string said = Run("recover " + Quote(Sample()) + " -p 1 -o " + Quote(dest) + " --all --quiet", &code,
                               "LD_PRELOAD=" + Quote(test::SwapFolderLib() + ":" + test::WriteWatchLib()) +
                                   " VANTOR_SWAP_FOLDER=" + Quote(dest + "/Documents") +
                                   " VANTOR_SWAP_TARGET=" + Quote(elsewhere_ / "folder"));
  ASSERT_TRUE(fs::is_symlink(dest + "/Documents")) << "the folder was swapped\n" << said;
  EXPECT_EQ(Snapshot(elsewhere_.path()), before) << said;
  EXPECT_TRUE(code == 0 || said.find("not saved") != std::string::npos) << said;
  EXPECT_EQ(WritesOutside(), "");
}

// --resume goes on only from a map of the same source and range, and re-copies
// what its pieces lack: the image is the source's bytes, or the run is refused.
TEST_F(WriterSafety, ResumeTrustsNoForgedMap) {
  const std::string source = test::FixturesDir() + "/fat/floppy.img";
  const uint64_t sectors = fs::file_size(source) / 512;
  const std::string dest = Destination("resume");
  std::string said;
  const auto image = [&](const std::string& extra) {
    int code = -1;
    said = Run("image " + Quote(source) + " -o " + Quote(dest + "/Image.img") + " --quiet " + extra, &code);
    return code;
  };
  ASSERT_EQ(image(""), 0) << said;
  std::string sourceLine;
  std::ifstream map(dest + "/Image0.map");
  for (std::string line; std::getline(map, line);)
    if (line.rfind("source ", 0) == 0) sourceLine = line;
  ASSERT_FALSE(sourceLine.empty());
  const std::string half = std::to_string(sectors / 2);
  const std::string range = "range 0 " + std::to_string(sectors) + "\n";
  const struct {
    const char* name;
    std::string map;
    bool keepPiece;  // else Image0.img is removed, or cut to a tenth
    bool cut;
    int code;
  } cases[] = {
      {"no piece", sourceLine + "\n" + range + "next " + half + "\n", false, false, 0},
      {"short piece", sourceLine + "\n" + range + "next " + half + "\n", true, true, 0},
      {"another source", "source other.img (" + std::to_string(sectors) + " sectors)\n" + range + "next " + half + "\n",
       true, false, 1},
      {"no source named", range + "next " + half + "\n", true, false, 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(image(""), 0) << said;
    if (!c.keepPiece) fs::remove(dest + "/Image0.img");
    if (c.cut) fs::resize_file(dest + "/Image0.img", sectors / 10 * 512);
    std::ofstream(dest + "/Image0.map") << c.map;
    EXPECT_EQ(image("--resume"), c.code) << c.name << "\n" << said;
    if (c.code == 0) {
      EXPECT_EQ(Shell("cmp " + Quote(source) + " " + Quote(dest + "/Image0.img") + " && echo same"), "same\n") << c.name;
    }
  }
}

// A FIFO named as a disk or as an extent of one is refused at once with its
// reason; nothing waits for a writer that never comes.
TEST_F(WriterSafety, AFifoIsNoDisk) {
  const std::string dir = Destination("fifo");
  ASSERT_EQ(::mkfifo((dir + "/pipe-flat.vmdk").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo((dir + "/pipe.img").c_str(), 0644), 0);
  std::ofstream(dir + "/disk.vmdk") << "# Disk DescriptorFile\nversion=1\nCID=fffffffe\nparentCID=ffffffff\n"
                                       "createType=\"monolithicFlat\"\n\nRW 2048 FLAT \"pipe-flat.vmdk\" 0\n";
  for (const std::string& source : {dir + "/disk.vmdk", dir + "/pipe.img"}) {
    int code = -1;
    const std::string said = Run("info " + Quote(source) + " </dev/null", &code, "timeout 20");
    EXPECT_EQ(code, 1) << source << "\n" << said;
    EXPECT_NE(said.find("it is a FIFO, not a file or a disk"), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace vantor
