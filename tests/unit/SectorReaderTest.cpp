#include "disk/SectorReader.h"
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "disk/ReadAhead.h"
#include "session/Session.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

using test::PatternDisk;
using test::ScriptedHost;
using test::TempDir;

constexpr const char* kDisk0 = "\\\\.\\PhysicalDrive0";

// A session reading `image` as physical disk 0 through a device whose listed
// sectors fail; `device` lets the test count read requests.
struct FailingDiskSession {
  FailingDiskSession(const std::string& image, std::set<uint64_t> bad) {
    session.reader.mapDevice(kDisk0, image);
    session.setHost(&host);
    session.reader.setOpener([this, bad](const std::string& path, DeviceAccess access) -> std::unique_ptr<RawDevice> {
      auto file = OpenFileDevice(path, access);
      if (file == nullptr) return nullptr;
      auto failing = std::make_unique<FailingSectorDevice>(std::move(file), bad);
      device = failing.get();
      return failing;
    });
  }
  uint32_t read(uint64_t first, uint32_t count) {
    buffer.assign(static_cast<size_t>(count) * 512, 0x55);
    return session.reader.readFrom(kDisk0, first, count, buffer.data());
  }
  bool sectorIs(uint32_t index, uint64_t diskSector) const {
    auto expected = PatternDisk(diskSector + 1);
    return std::memcmp(buffer.data() + index * 512, expected.data() + diskSector * 512, 512) == 0;
  }
  bool sectorFilled(uint32_t index, uint8_t value) const {
    for (size_t i = 0; i < 512; ++i)
      if (buffer[index * 512 + i] != value) return false;
    return true;
  }

  Session session;
  ScriptedHost host;
  FailingSectorDevice* device = nullptr;
  std::vector<uint8_t> buffer;
};

class SectorReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFile(image, PatternDisk(400)); }
  TempDir dir;
  std::string image = dir / "disk.img";
};

// A run is one request however long; only a failing run is read again in
// 40-sector chunks, each failing chunk asking once.
TEST_F(SectorReaderTest, DeviceRunsAreOneRequestUntilOneFails) {
  FailingDiskSession disk(image, {});
  EXPECT_EQ(disk.read(3, 41), 1u);
  EXPECT_EQ(disk.device->readRequests(), 1u);
  EXPECT_TRUE(disk.sectorIs(0, 3) && disk.sectorIs(40, 43));
  EXPECT_EQ(disk.read(0, 200), 1u);
  EXPECT_EQ(disk.device->readRequests(), 2u);
  for (uint32_t i = 0; i < 200; ++i) ASSERT_TRUE(disk.sectorIs(i, i)) << i;
  EXPECT_EQ(disk.host.badSectorQuestions(), 0);
  FailingDiskSession failing(image, {130});
  failing.host.badSectorAnswers = {kSkip};
  failing.read(0, 200);
  EXPECT_EQ(failing.device->readRequests(), 1u + 5u);
  EXPECT_EQ(failing.host.badSectorQuestions(), 1);
  EXPECT_TRUE(failing.sectorIs(0, 0) && failing.sectorIs(119, 119) && failing.sectorIs(160, 160));
}

// Asks in ascending order cost one request per window; a window that holds a bad
// sector gives way to the ask itself, which asks only when it holds the sector.
TEST_F(SectorReaderTest, ReadAheadServesAsksFromOneWindowAndKeepsTheQuestions) {
  FailingDiskSession disk(image, {});
  ReadAhead ahead;
  std::vector<uint8_t> two(1024);
  for (uint64_t first : {10, 12, 100, 10}) {
    EXPECT_EQ(ahead.read(disk.session.reader, first, 2, two.data()), 1u);
    const auto pattern = PatternDisk(first + 2);
    EXPECT_EQ(two, std::vector<uint8_t>(pattern.begin() + static_cast<ptrdiff_t>(first * 512), pattern.end()));
  }
  EXPECT_EQ(disk.device->readRequests(), 1u);

  FailingDiskSession failing(image, {300});
  failing.host.badSectorAnswers = {kSkip};
  ReadAhead broken;
  EXPECT_EQ(broken.read(failing.session.reader, 10, 2, two.data()), 1u);
  EXPECT_EQ(failing.host.badSectorQuestions(), 0);
  const size_t afterFirst = failing.device->readRequests();
  EXPECT_EQ(broken.read(failing.session.reader, 12, 2, two.data()), 1u);  // the failed window is not read again
  EXPECT_EQ(failing.device->readRequests(), afterFirst + 1);
  EXPECT_EQ(broken.read(failing.session.reader, 300, 1, two.data()), 0u);
  EXPECT_EQ(failing.host.badSectorQuestions(), 1);
}

TEST_F(SectorReaderTest, RetryReadsSectorBySectorAndReportsTheWholeReadsFailure) {
  FailingDiskSession disk(image, {12});
  disk.host.badSectorAnswers = {kRetry};
  EXPECT_EQ(disk.read(10, 5), 0u);
  EXPECT_EQ(disk.host.badSectorQuestions(), 1);
  EXPECT_TRUE(disk.sectorIs(0, 10) && disk.sectorIs(1, 11) && disk.sectorIs(3, 13) && disk.sectorIs(4, 14));
  EXPECT_TRUE(disk.sectorFilled(2, 0));
  // Retry does not stand: the next bad run asks again.
  disk.host.badSectorAnswers = {kSkip};
  EXPECT_EQ(disk.read(12, 1), 0u);
  EXPECT_EQ(disk.host.badSectorQuestions(), 2);
  EXPECT_EQ(disk.session.state.badSectorPolicy, kSkip);
}

TEST_F(SectorReaderTest, SkipLeavesTheChunkAsTheFailedReadLeftIt) {
  FailingDiskSession disk(image, {50});
  disk.host.badSectorAnswers = {kSkip};
  EXPECT_EQ(disk.read(0, 120), 1u);  // the last whole chunk read well
  EXPECT_TRUE(disk.sectorIs(39, 39) && disk.sectorIs(80, 80));
  EXPECT_TRUE(disk.sectorFilled(40, 0xEE) && disk.sectorFilled(79, 0xEE));
  // A failing last chunk makes the status 0; so does a failing remainder.
  disk.host.badSectorAnswers = {kSkip, kSkip};
  EXPECT_EQ(disk.read(10, 80), 0u);
  EXPECT_EQ(disk.read(20, 35), 0u);
  EXPECT_EQ(disk.host.badSectorQuestions(), 3);
}

TEST_F(SectorReaderTest, RetryReadsAFailingRemainderSectorBySector) {
  FailingDiskSession disk(image, {45});
  disk.host.badSectorAnswers = {kRetry};
  EXPECT_EQ(disk.read(0, 50), 0u);  // 40 read well, then the 10 after them failed
  EXPECT_EQ(disk.host.badSectorQuestions(), 1);
  for (uint32_t i = 0; i < 50; ++i) EXPECT_TRUE(i == 45 ? disk.sectorFilled(i, 0) : disk.sectorIs(i, i)) << i;
}

TEST_F(SectorReaderTest, StandingAnswersAreNotAskedAgain) {
  FailingDiskSession disk(image, {5, 45, 85, 125});
  disk.host.badSectorAnswers = {kRetryAll};
  EXPECT_EQ(disk.read(0, 160), 0u);  // the last chunk failed its whole read
  EXPECT_EQ(disk.host.badSectorQuestions(), 1);
  for (uint32_t i = 0; i < 160; ++i)
    EXPECT_TRUE(i % 40 == 5 ? disk.sectorFilled(i, 0) : disk.sectorIs(i, i)) << i;

  FailingDiskSession skipping(image, {5, 45, 85, 125});
  skipping.host.badSectorAnswers = {kSkipAll};
  skipping.read(0, 160);
  EXPECT_EQ(skipping.host.badSectorQuestions(), 1);
  EXPECT_TRUE(skipping.sectorFilled(0, 0xEE) && skipping.sectorFilled(120, 0xEE));
  EXPECT_EQ(skipping.session.state.badSectorPolicy, kSkipAll);
}

TEST_F(SectorReaderTest, EndSectorGuardComparesOnlyTheFirstSector) {
  FailingDiskSession disk(image, {});
  disk.session.state.endSector = 100;
  EXPECT_EQ(disk.read(100, 10), 1u);
  EXPECT_TRUE(disk.sectorIs(9, 109));
  EXPECT_EQ(disk.read(101, 2), 0u);
  EXPECT_TRUE(disk.sectorFilled(0, 0) && disk.sectorFilled(1, 0));
}

// What a buffer held before must never pass for the sectors of a source that
// cannot be opened: they read as zeros, without a question.
TEST_F(SectorReaderTest, UnopenableDeviceReadsAsZerosWithoutAQuestion) {
  FailingDiskSession disk(dir / "missing.img", {});
  EXPECT_EQ(disk.read(0, 2), 0u);
  EXPECT_TRUE(disk.sectorFilled(0, 0) && disk.sectorFilled(1, 0));
  EXPECT_EQ(disk.host.badSectorQuestions(), 0);
  // An index without a table entry has no device.
  disk.session.state.deviceIndex = 10;
  EXPECT_EQ(disk.session.state.currentDevicePath(), "");
}

TEST_F(SectorReaderTest, FloppyItemReadsTheFloppyDevice) {
  FailingDiskSession disk(image, {});
  disk.session.reader.mapDevice("\\\\.\\A:", image);
  disk.session.reader.unmapDevice(kDisk0);
  disk.session.state.selectedItemText = u"Floppy Drive (A:)";
  EXPECT_EQ(disk.read(7, 1), 1u);
  EXPECT_TRUE(disk.sectorIs(0, 7));
}

TEST_F(SectorReaderTest, WritesGoToOneOpenedDeviceInWholeChunksAndTheRemainder) {
  Session session;
  std::string target = dir / "target.img";
  test::WriteFile(target, std::vector<uint8_t>(100 * 512, 0));
  session.reader.mapDevice(kDisk0, target);
  int opened = 0;
  session.reader.setOpener([&opened](const std::string& path, DeviceAccess access) {
    ++opened;
    return OpenFileDevice(path, access);
  });
  auto data = PatternDisk(100);
  EXPECT_EQ(session.reader.write(kDisk0, 0, 60, data.data()), 1u);
  EXPECT_EQ(session.reader.write(kDisk0, 60, 40, data.data() + 60 * 512), 1u);
  EXPECT_EQ(test::ReadFile(target), data);
  EXPECT_EQ(opened, 1);
  session.reader.mapDevice("\\\\.\\PhysicalDrive1", dir / "absent.img");
  EXPECT_EQ(session.reader.write("\\\\.\\PhysicalDrive1", 0, 1, data.data()), 0u);
}

TEST(FileDeviceTest, AFailedReadLeavesZerosNotTheBuffersOldBytes) {
  // A file that opens and whose reads fail: the process's memory has nothing at 0.
  auto device = OpenFileDevice("/proc/self/mem", DeviceAccess::kRead);
  ASSERT_NE(device, nullptr);
  std::vector<uint8_t> buffer(1024, 0x55);
  EXPECT_FALSE(device->readAt(0, buffer.data(), buffer.size()));
  EXPECT_EQ(buffer, std::vector<uint8_t>(1024, 0));
}

TEST(ImagePieceNameTest, NamesThePieceAndMakesTheSectorRelative) {
  uint64_t sector = 1331200 * 2 + 17;
  EXPECT_EQ(ImagePieceName("/img", sector), "/img/image2.img");
  EXPECT_EQ(sector, 17u);
  sector = 1331199;
  EXPECT_EQ(ImagePieceName("/img/", sector), "/img/image0.img");
  EXPECT_EQ(sector, 1331199u);
}

class ImageSourceTest : public ::testing::Test {
 protected:
  // Piece 0 is a sparse 650 MiB file whose last sectors carry a pattern.
  void SetUp() override {
    std::string piece0 = dir / "Image0.img";
    test::WriteFile(piece0, {});
    ASSERT_EQ(::truncate(piece0.c_str(), static_cast<off_t>(kImagePieceBytes)), 0);
    FILE* f = std::fopen(piece0.c_str(), "r+b");
    auto tail = PatternDisk(4);
    std::fseek(f, static_cast<long>(kImagePieceBytes - 4 * 512), SEEK_SET);
    std::fwrite(tail.data(), 1, tail.size(), f);
    std::fclose(f);
    test::WriteFile(dir / "image1.img", PatternDisk(8));
    session.setHost(&host);
  }
  uint32_t read(uint64_t first, uint32_t count) {
    buffer.assign(static_cast<size_t>(count) * 512, 0x55);
    return session.reader.readFrom(session.state.currentDevicePath(), first, count, buffer.data());
  }
  TempDir dir;
  Session session;
  ScriptedHost host;
  std::vector<uint8_t> buffer;
};

TEST_F(ImageSourceTest, SplitImageReadsAcrossPieces) {
  ASSERT_TRUE(SelectImage(session.state, dir / "Image0.img"));
  EXPECT_EQ(session.state.imageSource, 1);
  EXPECT_EQ(session.state.imageSplit, 1);  // two pieces
  EXPECT_EQ(read(kImagePieceSectors - 2, 4), 1u);
  auto piece0Tail = PatternDisk(4);
  auto piece1 = PatternDisk(8);
  EXPECT_EQ(std::memcmp(buffer.data(), piece0Tail.data() + 2 * 512, 1024), 0);
  EXPECT_EQ(std::memcmp(buffer.data() + 1024, piece1.data(), 1024), 0);
  EXPECT_EQ(host.badSectorQuestions(), 0);
}

TEST_F(ImageSourceTest, MissingPieceAndReadsBeyondTheFileAskAndGiveZeros) {
  ASSERT_TRUE(SelectImage(session.state, dir / "Image0.img"));
  host.badSectorAnswers = {kRetry};
  EXPECT_EQ(read(kImagePieceSectors * 3, 2), 0u);  // piece 3 does not exist
  EXPECT_EQ(host.badSectorQuestions(), 1);
  EXPECT_EQ(buffer, std::vector<uint8_t>(1024, 0));
  host.badSectorAnswers = {kSkip};
  EXPECT_EQ(read(kImagePieceSectors + 9, 1), 0u);  // beyond the end of piece 1
  EXPECT_EQ(host.badSectorQuestions(), 2);
  EXPECT_EQ(buffer, std::vector<uint8_t>(512, 0));
  // A byte offset equal to the size passes the size test and reads nothing.
  EXPECT_EQ(read(kImagePieceSectors + 8, 1), 1u);
}

TEST_F(ImageSourceTest, SingleLargeFileIsReadAsOneFile) {
  std::filesystem::remove(dir / "image1.img");
  std::string piece0 = dir / "Image0.img";
  ASSERT_EQ(::truncate(piece0.c_str(), static_cast<off_t>(kImagePieceBytes + 8 * 512)), 0);
  ASSERT_TRUE(SelectImage(session.state, piece0));
  EXPECT_EQ(session.state.imageSplit, 0);
  EXPECT_EQ(read(kImagePieceSectors - 2, 4), 1u);
  auto tail = PatternDisk(4);
  EXPECT_EQ(std::memcmp(buffer.data(), tail.data() + 1024, 1024), 0);
  EXPECT_EQ(buffer[1024 + 100], 0);  // past the old end: zeros of the file, not a second piece
}

TEST_F(ImageSourceTest, ImageSelectionNeedsTheFile) {
  EXPECT_FALSE(SelectImage(session.state, dir / "elsewhere/Image0.img"));
  EXPECT_FALSE(SelectImage(session.state, dir / "disk.raw"));
  EXPECT_EQ(session.state.imageSource, 0);
}

}  // namespace
}  // namespace vantor
