// The virtual disk reader against disks that qemu-img made: a sparse raw disk of
// 4.5 GiB with random data near 0, across the 2 GiB extent boundary, past 4 GiB
// and at its end, converted to the four layouts (tests/fixtures/
// make-vmdk-fixtures.sh builds them once into $VANTOR_FIXTURES/vmdk). Every read
// goes through ChooseSource and ReadSectors, as the engines' reads do.
//
// Whole-disk checks: the 16 MiB random disk "small" is compared by sha256 through
// `vantor read` for all four layouts; the 4.5 GiB disk is compared whole, byte for
// byte in process (zeros outside the written ranges), for twoGbMaxExtentSparse and
// twoGbMaxExtentFlat, the layouts that cross extent files (the flat one in the
// release build only). A sha256 of 4.5 GiB costs some 25 s of CPU here for
// nothing that the byte compare does not show.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "disk/SectorReader.h"
#include "disk/SourceSelection.h"
#include "session/Session.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

constexpr uint64_t kTwoGiBSectors = 1ULL << 22;
constexpr uint64_t kFourGiBSectors = 1ULL << 23;
constexpr uint64_t kGrainSectors = 128;  // qemu-img's grain of 64 KiB

std::string FixtureDir() { return test::FixturesDir() + "/vmdk"; }

bool HaveQemuImg() { return std::system("command -v qemu-img >/dev/null 2>&1") == 0; }

struct Region {
  uint64_t first;
  uint64_t count;
};

// Runs a shell command; its exit status, with standard output and error in `output`.
int RunShell(const std::string& command, std::string* output = nullptr) {
  test::TempDir dir;
  std::string file = dir / "out.txt";
  int status = std::system(("{ " + command + "; } >'" + file + "' 2>&1").c_str());
  if (output != nullptr) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    *output = text.str();
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class QemuFixtures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!HaveQemuImg()) return;
    std::string script = test::SourceDir() + "/tests/fixtures/make-vmdk-fixtures.sh";
    std::string output;
    buildStatus_ = RunShell("bash '" + script + "' '" + FixtureDir() + "'", &output);
    buildOutput_ = output;
    std::ifstream in(FixtureDir() + "/regions.txt");
    Region region{};
    regions_.clear();
    while (in >> region.first >> region.count) regions_.push_back(region);
  }

  void SetUp() override {
    if (!HaveQemuImg()) GTEST_SKIP() << "qemu-img is not installed: the qemu-made VMDK fixtures cannot be built";
    ASSERT_EQ(buildStatus_, 0) << buildOutput_;
    ASSERT_EQ(regions_.size(), 5u);
    raw_ = ::open((FixtureDir() + "/raw.img").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(raw_, 0);
    rawSectors_ = static_cast<uint64_t>(::lseek(raw_, 0, SEEK_END)) / 512;
  }
  void TearDown() override {
    if (raw_ >= 0) ::close(raw_);
  }

  std::vector<uint8_t> Raw(uint64_t first, uint64_t count) const {
    std::vector<uint8_t> bytes(count * 512, 0);
    ssize_t got = ::pread(raw_, bytes.data(), bytes.size(), static_cast<off_t>(first * 512));
    EXPECT_GE(got, 0);
    return bytes;
  }

  static inline int buildStatus_ = -1;
  static inline std::string buildOutput_;
  static inline std::vector<Region> regions_;
  int raw_ = -1;
  uint64_t rawSectors_ = 0;
};

class VirtualDiskQemuTest : public QemuFixtures, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    QemuFixtures::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    SourceChoice choice = ChooseSource(session_, FixtureDir() + "/" + GetParam() + "/disk.vmdk");
    ASSERT_TRUE(choice.ok) << choice.message;
    ASSERT_EQ(session_.state.vmValid, 1);
  }

  std::vector<uint8_t> Read(uint64_t first, uint32_t count, uint32_t* status = nullptr) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * 512, 0xA5);
    uint32_t got = session_.reader.read(first, count, bytes.data());
    if (status != nullptr) *status = got;
    return bytes;
  }

  // Reads [first, first + count) in pieces of `step` sectors and compares with the raw disk.
  void ExpectSameAsRaw(uint64_t first, uint64_t count, uint32_t step) {
    for (uint64_t done = 0; done < count; done += step) {
      uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(step, count - done));
      uint32_t status = 0;
      std::vector<uint8_t> got = Read(first + done, n, &status);
      ASSERT_EQ(status, 1u) << "sector " << first + done;
      ASSERT_TRUE(got == Raw(first + done, n)) << "sectors " << first + done << "+" << n << " in steps of " << step;
    }
  }

  Session session_;
};

TEST_P(VirtualDiskQemuTest, OpensWithItsTypeCapacityAndGeometry) {
  const VirtualDisk& disk = session_.reader.virtualDisk;
  EXPECT_EQ(disk.createType(), GetParam());
  EXPECT_EQ(disk.capacity(), rawSectors_);
  EXPECT_EQ(disk.sizeGbText(), "4");
  std::vector<std::string> lines = disk.InformationLines();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], std::string("Virtual Machine Type  : ") + GetParam());
  EXPECT_EQ(lines[2], "Disk Size  : 4 GB");
  EXPECT_EQ(lines[4].rfind("Cylinder   : ", 0), 0u);
  EXPECT_NE(disk.cylindersText(), "");
  EXPECT_EQ(disk.headsText(), "16");
  EXPECT_EQ(disk.sectorsText(), "63");
  const std::string layout = GetParam();
  bool sparse = layout.find("Sparse") != std::string::npos || layout == "streamOptimized";
  if (sparse) EXPECT_NE(disk.overHeadText(), "0");
  else EXPECT_EQ(disk.overHeadText(), "0");
}

TEST_P(VirtualDiskQemuTest, EveryWrittenRangeReadsAsInTheRawDisk) {
  for (const Region& region : regions_) {
    SCOPED_TRACE("region " + std::to_string(region.first) + "+" + std::to_string(region.count));
    ExpectSameAsRaw(region.first, region.count, static_cast<uint32_t>(region.count));  // one read
    ExpectSameAsRaw(region.first, region.count, 37);
    ExpectSameAsRaw(region.first, region.count, 1);
    // With some unwritten sectors on either side.
    uint64_t before = std::min<uint64_t>(region.first, 300);
    uint64_t after = std::min<uint64_t>(rawSectors_ - (region.first + region.count), 300);
    ExpectSameAsRaw(region.first - before, before + region.count + after, 2048);
  }
}

TEST_P(VirtualDiskQemuTest, UnallocatedRangesReadZeros) {
  const uint64_t starts[] = {4096, 100 << 11, kTwoGiBSectors + 4096, 3ULL << 21, kFourGiBSectors,
                             kFourGiBSectors + 40000, rawSectors_ - 1000};
  for (uint64_t first : starts) {
    uint32_t status = 0;
    std::vector<uint8_t> got = Read(first, 700, &status);
    EXPECT_EQ(status, 1u) << first;
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint8_t b) { return b == 0; })) << first;
    EXPECT_TRUE(got == Raw(first, 700)) << first;
  }
}

TEST_P(VirtualDiskQemuTest, ReadsAcrossGrainAndExtentBoundaries) {
  // Grain boundaries inside written data: 3 before, 8 long, and longer runs.
  for (uint64_t boundary : {kGrainSectors, 8 * kGrainSectors, 15 * kGrainSectors, kTwoGiBSectors - kGrainSectors,
                            kFourGiBSectors + 17 * kGrainSectors}) {
    ExpectSameAsRaw(boundary - 3, 8, 8);
    ExpectSameAsRaw(boundary - 1, 2, 2);
    ExpectSameAsRaw(boundary - 100, 300, 300);
  }
  // The 2 GiB boundary: the end of the first extent file of the split layouts.
  ExpectSameAsRaw(kTwoGiBSectors - 3, 8, 8);
  ExpectSameAsRaw(kTwoGiBSectors - 1, 2, 2);
  ExpectSameAsRaw(kTwoGiBSectors - 600, 1400, 1400);
  ExpectSameAsRaw(kTwoGiBSectors - 2048, 4096, 4096);
  // The 4 GiB boundary (the second extent's end) has no data: zeros both sides.
  ExpectSameAsRaw(2 * kTwoGiBSectors - 5, 10, 10);
  // The last sectors of the disk, and a read that runs past its end.
  ExpectSameAsRaw(rawSectors_ - 200, 200, 200);
  uint32_t status = 1;
  std::vector<uint8_t> past = Read(rawSectors_ - 2, 6, &status);
  EXPECT_EQ(status, 0u);
  std::vector<uint8_t> want = Raw(rawSectors_ - 2, 2);
  want.resize(6 * 512, 0);
  EXPECT_TRUE(past == want);
}

INSTANTIATE_TEST_SUITE_P(Layouts, VirtualDiskQemuTest,
                         ::testing::Values("monolithicSparse", "twoGbMaxExtentSparse", "monolithicFlat",
                                           "twoGbMaxExtentFlat", "streamOptimized", "vmfs"));

// The whole 4.5 GiB disk, byte for byte, for the two split layouts.
class WholeDiskTest : public VirtualDiskQemuTest {};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST_P(WholeDiskTest, EverySectorEqualsTheRawDisk) {
  // Reading the 4.5 GiB of a flat layout copies that much from the page cache:
  // about 5 s in a release build, some 30 s under the sanitizers, where the small
  // disk's sha256 test covers the flat layouts whole instead.
  if (kSanitized && std::string(GetParam()).find("Flat") != std::string::npos)
    GTEST_SKIP() << "the whole 4.5 GiB flat disk is compared in the release build only";
  auto start = std::chrono::steady_clock::now();
  // Expected: zeros except the written regions (read from the raw disk), so that
  // the raw disk's holes need not be read.
  constexpr uint32_t kChunk = 8192;
  std::vector<uint8_t> want(static_cast<size_t>(kChunk) * 512);
  // Page-aligned: the kernel's copies into a buffer 16 bytes past a page (as
  // malloc's large blocks are) are several times slower.
  struct AlignedDelete {
    void operator()(uint8_t* p) const { ::operator delete[](p, std::align_val_t{4096}); }
  };
  std::unique_ptr<uint8_t[], AlignedDelete> got(static_cast<uint8_t*>(::operator new[](want.size(), std::align_val_t{4096})));
  for (uint64_t first = 0; first < rawSectors_; first += kChunk) {
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kChunk, rawSectors_ - first));
    std::memset(want.data(), 0, want.size());
    for (const Region& region : regions_) {
      uint64_t lo = std::max(first, region.first), hi = std::min(first + n, region.first + region.count);
      if (lo >= hi) continue;
      ASSERT_EQ(::pread(raw_, want.data() + (lo - first) * 512, (hi - lo) * 512, static_cast<off_t>(lo * 512)),
                static_cast<ssize_t>((hi - lo) * 512));
    }
    ASSERT_EQ(session_.reader.read(first, n, got.get()), 1u) << first;
    ASSERT_EQ(std::memcmp(got.get(), want.data(), static_cast<size_t>(n) * 512), 0) << "chunk at sector " << first;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << GetParam() << ": whole disk of " << rawSectors_ << " sectors compared in " << seconds << " s\n";
}

INSTANTIATE_TEST_SUITE_P(SplitLayouts, WholeDiskTest, ::testing::Values("twoGbMaxExtentSparse", "twoGbMaxExtentFlat"));

// The small random disk through the command line: sha256 of every sector.
class SmallDiskShaTest : public QemuFixtures, public ::testing::WithParamInterface<const char*> {};

TEST_P(SmallDiskShaTest, VantorReadOfTheWholeDiskHasTheRawDisksSha256) {
  std::string bin = test::VantorBin();
  if (bin.empty()) GTEST_SKIP() << "VANTOR_BIN is not set";
  std::string small = FixtureDir() + "/small.img";
  uint64_t sectors = std::filesystem::file_size(small) / 512;
  test::TempDir dir;
  std::string copy = dir / "read.img", want, got, output;
  ASSERT_EQ(RunShell("sha256sum < '" + small + "'", &want), 0);
  ASSERT_EQ(RunShell("'" + bin + "' read '" + FixtureDir() + "/" + GetParam() + "/small.vmdk' 0 " + std::to_string(sectors) +
                    " > '" + copy + "'",
                &output),
            0)
      << output;
  ASSERT_EQ(RunShell("sha256sum < '" + copy + "'", &got), 0);
  EXPECT_EQ(got, want);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SmallDiskShaTest,
                         ::testing::Values("monolithicSparse", "twoGbMaxExtentSparse", "monolithicFlat",
                                           "twoGbMaxExtentFlat", "streamOptimized", "vmfs"));

// `vantor info`: the information lines, and the refusals with exit status 1.
class InfoCommandTest : public QemuFixtures {
 protected:
  void SetUp() override {
    QemuFixtures::SetUp();
    bin_ = test::VantorBin();
    if (!IsSkipped() && bin_.empty()) GTEST_SKIP() << "VANTOR_BIN is not set";
  }
  int Info(const std::string& path, std::string* output) { return RunShell("'" + bin_ + "' info '" + path + "'", output); }
  std::string bin_;
  test::TempDir dir_;
};

TEST_F(InfoCommandTest, PrintsTheStepOneLines) {
  std::string output;
  ASSERT_EQ(Info(FixtureDir() + "/twoGbMaxExtentSparse/disk.vmdk", &output), 0) << output;
  EXPECT_EQ(output.rfind("Virtual Machine Type  : twoGbMaxExtentSparse\n\nDisk Size  : 4 GB\n\nCylinder   : ", 0), 0u)
      << output;
  EXPECT_NE(output.find("\n\nHead   : 16\n\nSectors Per Track   : 63\n"), std::string::npos) << output;
}

// Other sources say what they are: a raw image, and an image made by disk
// imaging in pieces.
TEST_F(InfoCommandTest, DescribesImagesAndTheirPieces) {
  std::string output;
  test::WriteFile(dir_ / "raw.img", std::vector<uint8_t>(3 * 1024 * 1024, 0));
  EXPECT_EQ(Info(dir_ / "raw.img", &output), 0) << output;
  EXPECT_EQ(output, "Source Type  : Disk Image File\nFile   : " + std::string(dir_ / "raw.img") +
                        "\nDisk Size  : 3 MB (6144 sectors)\nPartition Scheme   : none\n");
  std::filesystem::create_directory(dir_ / "pieces");
  test::WriteFile(dir_ / "pieces/Image0.img", std::vector<uint8_t>(1024 * 1024, 0));
  test::WriteFile(dir_ / "pieces/image1.img", std::vector<uint8_t>(512, 0));
  EXPECT_EQ(Info(dir_ / "pieces/Image0.img", &output), 0) << output;
  EXPECT_EQ(output, "Source Type  : Disk Image (made by disk imaging)\nPieces   : 2\nDisk Size  : 1 MB (2049 sectors)\n"
                    "Partition Scheme   : none\n");
}

TEST_F(InfoCommandTest, RefusesBadFilesWithTheirMessages) {
  // A damaged copy: the qemu-made header with both directories' first entries zeroed.
  std::vector<uint8_t> head(1024 * 1024);
  {
    std::ifstream in(FixtureDir() + "/monolithicSparse/disk.vmdk", std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  }
  uint64_t rgd = 0, gd = 0;
  std::memcpy(&rgd, head.data() + 48, 8);
  std::memcpy(&gd, head.data() + 56, 8);
  ASSERT_LT(rgd * 512 + 4, head.size());
  ASSERT_LT(gd * 512 + 4, head.size());
  std::memset(head.data() + rgd * 512, 0, 4);
  std::memset(head.data() + gd * 512, 0, 4);
  test::WriteFile(dir_ / "damaged.vmdk", head);
  std::string output;
  EXPECT_EQ(Info(dir_ / "damaged.vmdk", &output), 1);
  EXPECT_EQ(output, "vantor: File is highly Damaged can't be recoverd\n");

  std::filesystem::create_directory(dir_ / "busy.vmdk");
  EXPECT_EQ(Info(dir_ / "busy.vmdk", &output), 1);
  EXPECT_EQ(output, "vantor: This file is in use please select another file\n");

  test::WriteFile(dir_ / "text.vmdk", std::vector<uint8_t>(100, 'x'));
  EXPECT_EQ(Info(dir_ / "text.vmdk", &output), 1);
  EXPECT_EQ(output, "vantor: Please select a correct virtual machine file\n");
}

// Disks of other makers are named with the conversion that makes them
// readable, whatever their file name says; a flat extent opened on its own is
// read as the disk image it is, with its descriptor named.
TEST_F(InfoCommandTest, ForeignDisksAndLoneFlatExtents) {
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"qcow2", "a QEMU disk (qcow2)"}, {"vdi", "a VirtualBox disk (VDI)"}, {"vhdx", "a Hyper-V disk (VHDX)"},
      {"vpc", "a Hyper-V or Virtual PC disk (VHD)"}};
  std::string output;
  for (const auto& [format, kind] : kinds) {
    for (const std::string& name : std::vector<std::string>{"disk." + format, format + ".vmdk"}) {
      ASSERT_EQ(RunShell("qemu-img create -q -f " + format + " '" + std::string(dir_ / name) + "' 10M", &output), 0);
      EXPECT_EQ(Info(dir_ / name, &output), 1) << name;
      EXPECT_NE(output.find(" is " + kind + ", not a VMware disk; convert it with: qemu-img convert -O vmdk"),
                std::string::npos)
          << name << ": " << output;
    }
  }
  const std::string flat = FixtureDir() + "/monolithicFlat/small-flat.vmdk";
  ASSERT_EQ(Info(flat, &output), 0) << output;
  EXPECT_NE(output.find("is a flat extent of a VMware disk: read as a disk image (open " + FixtureDir() +
                        "/monolithicFlat/small.vmdk for the whole disk)"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("Disk Size  : 16 MB (32771 sectors)"), std::string::npos) << output;
}

// A streamOptimized disk as VMware exports it: the header leaves the directory
// to the footer (gdOffset all ones), which follows the grains with its marker
// and the end-of-stream marker. Read whole, it is the raw disk.
TEST_F(InfoCommandTest, StreamOptimizedDirectoryInTheFooter) {
  std::vector<uint8_t> file = test::ReadFile(FixtureDir() + "/streamOptimized/small.vmdk");
  ASSERT_GT(file.size(), 1024u);
  std::vector<uint8_t> footer(file.begin(), file.begin() + 512);
  std::vector<uint8_t> marker(512, 0);
  marker[12] = 3;  // footer marker
  std::memset(file.data() + 56, 0xFF, 8);
  file.resize((file.size() + 511) / 512 * 512);
  file.insert(file.end(), marker.begin(), marker.end());
  file.insert(file.end(), footer.begin(), footer.end());
  file.insert(file.end(), 512, 0);  // end of stream
  test::WriteFile(dir_ / "footer.vmdk", file);
  std::string read, raw;
  ASSERT_EQ(RunShell("'" + bin_ + "' read '" + std::string(dir_ / "footer.vmdk") + "' 0 32771 | sha256sum", &read), 0);
  ASSERT_EQ(RunShell("sha256sum < '" + FixtureDir() + "/small.img'", &raw), 0);
  EXPECT_EQ(read, raw);
}

// A sparse file read from its header alone, with a note: its embedded
// descriptor damaged, or an extent of a split disk opened on its own. An ESXi
// seSparse snapshot is refused by name.
TEST_F(InfoCommandTest, SparseFilesWithoutAUsableDescriptor) {
  std::vector<uint8_t> file = test::ReadFile(FixtureDir() + "/monolithicSparse/small.vmdk");
  const std::string text(file.begin(), file.end());
  const size_t type = text.find("createType");
  ASSERT_NE(type, std::string::npos);
  std::memset(file.data() + type, 'X', 10);
  test::WriteFile(dir_ / "damaged.vmdk", file);
  std::string output;
  EXPECT_EQ(Info(dir_ / "damaged.vmdk", &output), 0);
  EXPECT_NE(output.find("damaged.vmdk: its embedded descriptor is damaged: read from its sparse header alone"),
            std::string::npos)
      << output;
  std::string read, raw;
  RunShell("'" + bin_ + "' read '" + std::string(dir_ / "damaged.vmdk") + "' 0 32771 2>/dev/null | sha256sum", &read);
  RunShell("sha256sum < '" + FixtureDir() + "/small.img'", &raw);
  EXPECT_EQ(read, raw);

  EXPECT_EQ(Info(FixtureDir() + "/twoGbMaxExtentSparse/small-s001.vmdk", &output), 0);
  EXPECT_NE(output.find("it is one sparse extent of a split disk: read on its own"), std::string::npos) << output;

  test::WriteFile(dir_ / "se.vmdk", {});
  std::ofstream(dir_ / "se.vmdk") << "# Disk DescriptorFile\nversion=1\nCID=fffffffe\nparentCID=ffffffff\n"
                                     "createType=\"seSparse\"\nRW 100 SESPARSE \"se-sesparse.vmdk\"\n";
  EXPECT_EQ(Info(dir_ / "se.vmdk", &output), 1);
  EXPECT_NE(output.find("is an ESXi snapshot of the seSparse kind, which this program does not read"),
            std::string::npos)
      << output;
}

}  // namespace
}  // namespace vantor
