// The imaging worker on a disk with unreadable sectors: they are zeros in the
// image and ranges on its map, and a copy stopped halfway goes on from the map
// to the same image; a write that fails stops the copy, which is then not
// complete; a disk target gets the range's first sector at its sector 0.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <set>

#include "imaging/ImageCreation.h"
#include "platform/RawDevice.h"
#include "session/Session.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

constexpr uint64_t kSectors = 10000;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sector s holds the byte s % 251 + 1 throughout.
std::string Pattern() {
  std::string disk;
  for (uint64_t s = 0; s < kSectors; ++s) disk += std::string(512, static_cast<char>(s % 251 + 1));
  return disk;
}

ImagingRun ToImage(const std::string& path, uint64_t start = 0) {
  ImagingRun run;
  run.start = start;
  run.end = kSectors;
  run.imagePath = path;
  return run;
}

struct Disk {
  explicit Disk(const test::TempDir& dir, std::set<uint64_t> bad = {}) {
    std::ofstream(dir / "disk.img", std::ios::binary) << Pattern();
    session.reader.mapDevice("\\\\.\\PhysicalDrive0", dir / "disk.img");
    session.reader.setOpener([bad](const std::string& path, DeviceAccess access) -> std::unique_ptr<RawDevice> {
      auto file = OpenFileDevice(path, access);
      if (file == nullptr || bad.empty()) return file;
      return std::make_unique<FailingSectorDevice>(std::move(file), bad);
    });
    session.setHost(&host);
  }
  Session session;
  test::ScriptedHost host;
};

TEST(ImagingTest, UnreadableSectorsMappedAndAStoppedCopyResumed) {
  test::TempDir dir;
  Disk disk(dir, {5, 6, 7, 9000});
  ImagingRun run = ToImage(dir / "Image.img");
  test::ScriptedHost stopping;
  stopping.stopAfterPolls = 1;  // after the first read
  const ImagingOutcome first = RunImaging(disk.session.reader, stopping, run);
  EXPECT_TRUE(first.stopped);
  ASSERT_GT(first.sectorReached, 0u);
  ASSERT_LT(first.sectorReached, kSectors);
  // What the stopped copy holds: the sectors before the point reached, the bad
  // ones among them mapped, and the map saying where to go on.
  std::vector<UnreadableRun> before;
  for (uint64_t bad : {5, 6, 7, 9000}) {
    if (bad >= first.sectorReached) break;
    if (!before.empty() && before.back().first + before.back().count == bad) ++before.back().count;
    else before.push_back({bad, 1});
  }
  EXPECT_EQ(first.unreadable, before);
  EXPECT_NE(Read(dir / "Image0.map").find("\nnext " + std::to_string(first.sectorReached) + "\n"), std::string::npos);
  EXPECT_EQ(ImagingClosingText(first), kImagingAbortedText);

  run.resume = true;
  const ImagingOutcome rest = RunImaging(disk.session.reader, disk.host, run);
  EXPECT_EQ(rest.sectorReached, kSectors);
  EXPECT_EQ(rest.unreadable, (std::vector<UnreadableRun>{{5, 3}, {9000, 1}}));
  EXPECT_FALSE(rest.complete());
  EXPECT_EQ(ImagingClosingText(rest), "Image creation completed, but 4 sectors could not be read and are zeros in the image.");
  std::string expected = Pattern();
  for (uint64_t bad : {5, 6, 7, 9000}) expected.replace(bad * 512, 512, std::string(512, '\0'));
  EXPECT_TRUE(Read(dir / "Image0.img") == expected);
  const std::string map = Read(dir / "Image0.map");
  EXPECT_NE(map.find("\nsource " + (dir / "disk.img") + " (10000 sectors)\n"), std::string::npos) << map;
  EXPECT_NE(map.find("\nrange 0 10000\nnext 10000\npiece 0 5120000\nunreadable 5 3\nunreadable 9000 1\n"),
            std::string::npos)
      << map;
}

TEST(ImagingTest, FailedWriteStopsTheCopyAndADiskTargetStartsAtItsSectorZero) {
  test::TempDir dir;
  Disk disk(dir);
  // Files may not grow past 1 MiB: the image's writes fail there.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  rlimit small = before;
  small.rlim_cur = 1 << 20;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const ImagingOutcome full = RunImaging(disk.session.reader, disk.host, ToImage(dir / "Image.img"));
  ::setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_NE(full.failure.find("cannot write " + (dir / "Image0.img")), std::string::npos) << full.failure;
  EXPECT_FALSE(full.complete());
  EXPECT_EQ(ImagingClosingText(full), kImagingAbortedText);

  std::ofstream(dir / "target.img", std::ios::binary) << std::string(kSectors * 512, '\xFF');
  disk.session.reader.mapDevice("\\\\.\\PhysicalDrive1", dir / "target.img");
  ImagingRun toDisk = ToImage("", 1000);
  toDisk.toDisk = true;
  toDisk.diskPath = "\\\\.\\PhysicalDrive1";
  toDisk.diskText = "Disk1 - test";
  const ImagingOutcome copied = RunImaging(disk.session.reader, disk.host, toDisk);
  EXPECT_TRUE(copied.complete()) << copied.failure;
  EXPECT_EQ(copied.lastName, "Disk1 - test");
  const std::string target = Read(dir / "target.img");
  EXPECT_TRUE(target.substr(0, (kSectors - 1000) * 512) == Pattern().substr(1000 * 512));
  EXPECT_EQ(target.substr((kSectors - 1000) * 512), std::string(1000 * 512, '\xFF'));
}

}  // namespace
}  // namespace vantor
