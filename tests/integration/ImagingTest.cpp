// vantor image: copies of the sample disk (whole, one file system in pieces,
// a range) and of each VMware layout equal the same sectors as qemu-img gives
// them, and are scanned and recovered as the source; pieces break at 1331200 sectors and a stale piece after the last
// is removed; a copy stopped by Ctrl-C goes on with --resume to the same image;
// a disk target gets the copy from its sector 0, and one too small or in use is
// refused; so is a folder without room, and a write that fails stops the copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/Recovered.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

using test::Vantor;

std::string Bytes(const std::string& path, uint64_t offset = 0, uint64_t length = UINT64_MAX) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  return bytes.substr(0, length);
}

std::string Sample() { return test::SourceDir() + "/samples/sample.vmdk"; }

TEST(Imaging, CopiesEqualTheSourceAndReadBackAsIt) {
  test::TempDir work;
  int code = -1;
  const std::string raw = work / "sample.raw";
  test::Shell("qemu-img convert -O raw '" + Sample() + "' '" + raw + "'", &code);
  if (code != 0) GTEST_SKIP() << "qemu-img is missing";
  const struct {
    const char* options;
    uint64_t first, sectors;
  } copies[] = {{"", 0, 96256}, {"-p 1 --split", 2048, 69632}, {"--range 71680 96256", 71680, 24576}};
  for (const auto& copy : copies) {
    test::TempDir out;
    const std::string report = Vantor("image --quiet '" + Sample() + "' -o '" + out.path() + "' " + copy.options, &code);
    ASSERT_EQ(code, 0) << copy.options << "\n" << report;
    EXPECT_NE(report.find("Image creation completed successfully."), std::string::npos) << report;
    EXPECT_EQ(Bytes(out / "Image0.img"), Bytes(raw, copy.first * 512, copy.sectors * 512)) << copy.options;
  }
  test::TempDir out;
  Vantor("image --quiet '" + Sample() + "' -o '" + out.path() + "'", &code);
  EXPECT_EQ(Vantor("scan '" + (out / "Image0.img") + "' -p 2", &code), Vantor("scan '" + Sample() + "' -p 2"));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(test::Recovered("'" + (out / "Image0.img") + "' -p 1"), test::Recovered("'" + Sample() + "' -p 1"));
  // Each VMware layout of the vmdk fixture (qemu-img, here, is all it needs),
  // split into pieces.
  for (const char* layout : {"monolithicSparse", "monolithicFlat", "twoGbMaxExtentSparse", "twoGbMaxExtentFlat",
                             "streamOptimized", "vmfs"}) {
    const std::string vmdk = test::FixturesDir() + "/vmdk/" + layout + "/small.vmdk";
    if (!std::filesystem::exists(vmdk)) {
      ADD_FAILURE() << vmdk << " is missing (tests/fixtures/make-vmdk-fixtures.sh builds it)";
      continue;
    }
    test::TempDir copy;
    test::Shell("qemu-img convert -O raw '" + vmdk + "' '" + (copy / "qemu.raw") + "'");
    const std::string report = Vantor("image --quiet '" + vmdk + "' -o '" + copy.path() + "' --split", &code);
    EXPECT_EQ(code, 0) << layout << "\n" << report;
    EXPECT_TRUE(Bytes(copy / "Image0.img") == Bytes(copy / "qemu.raw")) << layout;
  }
}

// A sparse source of 1331201 sectors, marked in its first and last sector.
TEST(Imaging, PiecesBreakAt1331200SectorsAndAStalePieceGoes) {
  test::TempDir work;
  const std::string source = work / "big.raw";
  {
    std::ofstream out(source, std::ios::binary);
    out << "first sector";
    out.seekp(1331200LL * 512);
    out << "last sector" << std::string(501, '\0');
  }
  const auto copy = [&](const test::TempDir& out, const std::string& range, int& code) {
    return Vantor("image --quiet '" + source + "' -o '" + (out / "Image.img") + "' --split " + range, &code);
  };
  // After an earlier copy of the whole source (pieces 0 and 1), a shorter copy to
  // the same name removes the piece that its map lists and this copy does not make.
  const struct {
    const char* range;
    uint64_t firstPiece, secondPiece;  // bytes; 0: no such piece
  } cases[] = {{"--range 0 1331200", 681574400, 0}, {"", 681574400, 512}};
  for (const auto& c : cases) {
    test::TempDir out;
    int code = -1;
    ASSERT_EQ((copy(out, "", code), code), 0);
    const std::string report = copy(out, c.range, code);
    ASSERT_EQ(code, 0) << report;
    EXPECT_EQ(std::filesystem::file_size(out / "Image0.img"), c.firstPiece);
    EXPECT_EQ(Bytes(out / "Image0.img", 0, 12), "first sector");
    EXPECT_EQ(std::filesystem::exists(out / "Image1.img"), c.secondPiece != 0) << c.range;
    if (c.secondPiece != 0) {
      EXPECT_EQ(std::filesystem::file_size(out / "Image1.img"), c.secondPiece);
      EXPECT_EQ(Bytes(out / "Image1.img", 0, 11), "last sector");
      // The pieces are read back as one source.
      EXPECT_EQ(Vantor("read '" + (out / "Image0.img") + "' 1331200 1").substr(0, 11), "last sector");
    }
  }
  // A file named as the next piece that no copy made would be read back as part
  // of the image: the copy is refused before it writes, and the file is kept.
  test::TempDir planted;
  std::ofstream(planted / "Image1.img") << "someone's file";
  int code = -1;
  const std::string report = copy(planted, "--range 0 1331200", code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(report.find("Image1.img stands beside the image"), std::string::npos) << report;
  EXPECT_EQ(Bytes(planted / "Image1.img", 0, 14), "someone's file");
  EXPECT_FALSE(std::filesystem::exists(planted / "Image0.img"));
}

TEST(Imaging, StoppedCopyGoesOnWithResume) {
  test::TempDir out;
  int code = -1;
  const std::string stopped = test::Shell(
      "LD_PRELOAD='" + test::InterruptLib() + "' VANTOR_INTERRUPT_MATCH=Image0.img VANTOR_INTERRUPT_AFTER=4000000 "
      "ASAN_OPTIONS=verify_asan_link_order=0 '" + test::VantorBin() + "' image --quiet '" + Sample() + "' -o '" +
          out.path() + "' 2>&1",
      &code);
  EXPECT_EQ(code, 130) << stopped;
  EXPECT_NE(stopped.find("Image creation aborted."), std::string::npos) << stopped;
  EXPECT_EQ(Bytes(out / "Image0.map").find("next 96256"), std::string::npos);
  const std::string resumed = Vantor("image --quiet '" + Sample() + "' -o '" + out.path() + "' --resume", &code);
  ASSERT_EQ(code, 0) << resumed;
  test::TempDir whole;
  Vantor("image --quiet '" + Sample() + "' -o '" + whole.path() + "'", &code);
  EXPECT_TRUE(Bytes(out / "Image0.img") == Bytes(whole / "Image0.img"));
  EXPECT_NE(Vantor("image '" + Sample() + "' -o '" + out.path() + "' --range 0 10 --resume", &code).find(
                "is the map of the sectors 0 to 96256, not of these"),
            std::string::npos);
  EXPECT_EQ(code, 1);
}

// A folder without room for the copy is refused before it starts; a write
// that fails during the copy (here: files may not grow past 2 MiB) stops it.
TEST(Imaging, FullTargetsRefusedOrStopped) {
  test::TempDir work;
  int code = -1;
  test::Shell("mount -t tmpfs -o size=100k tmpfs '" + work.path() + "' 2>/dev/null", &code);
  if (code == 0) {
    EXPECT_NE(Vantor("image '" + Sample() + "' -o '" + work.path() + "'", &code).find("Insufficient free space"),
              std::string::npos);
    EXPECT_EQ(code, 1);
    test::Shell("umount '" + work.path() + "'");
  }
  const std::string stopped = test::Shell("ulimit -f 4096; '" + test::VantorBin() + "' image --quiet '" + Sample() +
                                              "' -o '" + work.path() + "' 2>&1",
                                          &code);
  EXPECT_EQ(code, 1) << stopped;
  EXPECT_NE(stopped.find("cannot write"), std::string::npos) << stopped;
  EXPECT_NE(stopped.find("Image creation aborted."), std::string::npos) << stopped;
}

// On loop devices (root only): the copy lands at the disk's sector 0; a disk
// too small for the range, or one with a file system mounted, is refused.
TEST(Imaging, DiskTargetsOnLoopDevices) {
  test::TempDir work;
  int code = -1;
  const std::string disk = test::Shell("truncate -s 60M '" + (work / "disk") + "' && losetup -f --show '" +
                                           (work / "disk") + "' 2>/dev/null", &code);
  if (code != 0 || disk.empty()) GTEST_SKIP() << "no loop device (needs root)";
  const std::string device = disk.substr(0, disk.find('\n'));
  const std::string copied = Vantor("image --quiet '" + Sample() + "' --to-disk " + device + " --yes", &code);
  EXPECT_EQ(code, 0) << copied;
  Vantor("image --quiet '" + Sample() + "' -o '" + work.path() + "'", &code);
  EXPECT_TRUE(Bytes(device, 0, 96256 * 512) == Bytes(work / "Image0.img"));
  EXPECT_NE(Vantor("image '" + Sample() + "' --to-disk " + device, &code).find("give --yes"), std::string::npos);
  test::Shell("losetup -d " + device);

  const std::string small = test::Shell("truncate -s 8M '" + (work / "small") + "' && losetup -f --show '" +
                                        (work / "small") + "'");
  const std::string smallDevice = small.substr(0, small.find('\n'));
  EXPECT_NE(Vantor("image '" + Sample() + "' --to-disk " + smallDevice + " --yes", &code).find("Insufficient free space"),
            std::string::npos);
  const std::string mount = work / "mnt";
  test::Shell("mkfs.ext4 -q " + smallDevice + " && mkdir '" + mount + "' && mount " + smallDevice + " '" + mount + "'",
              &code);
  if (code == 0) {
    EXPECT_NE(Vantor("image '" + Sample() + "' --range 0 10 --to-disk " + smallDevice + " --yes", &code).find("is in use"),
              std::string::npos);
    test::Shell("umount '" + mount + "'");
  }
  test::Shell("losetup -d " + smallDevice);
}

}  // namespace
}  // namespace vantor
