// Scans and recoveries of the fixture volumes through a device on which 1 % of
// the sectors fail, under each of the four answers to the bad-sector question.
//
// The oracles run in the same process on the unchanged image:
// - Retry and Retry All give what a clean read gives when the bad sectors hold
//   zeros: the failed run is read again sector by sector and only they are lost.
// - Skip All gives what Skip gives, asking once instead of at every failure.
// - With the bad sectors only where no metadata lies, the catalog stays whole,
//   every file that no bad sector touches comes back byte-identical under every
//   answer, and a touched file keeps its size and loses only what failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cli/RecoverSteps.h"
#include "cli/SourceSteps.h"
#include "core/Sector.h"
#include "platform/RawDevice.h"
#include "scan/RunScan.h"
#include "session/Session.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::vector<uint8_t>>;  // path under the destination → bytes

// What a failed read leaves in the buffer on the failing device.
constexpr uint8_t kFailedFill = 0xEE;

// A clean view of the image in which the listed sectors read as `fill`; it notes
// every sector that a read touched.
class PaintedDevice : public RawDevice {
 public:
  PaintedDevice(std::unique_ptr<RawDevice> backing, const std::set<uint64_t>& painted, uint8_t fill,
                std::set<uint64_t>* touched)
      : backing_(std::move(backing)), painted_(painted), fill_(fill), touched_(touched) {}
  bool readAt(uint64_t offset, void* buffer, size_t length) override {
    if (!backing_->readAt(offset, buffer, length)) return false;
    uint64_t first = offset / kSectorSize, end = (offset + length + kSectorSize - 1) / kSectorSize;
    if (touched_ != nullptr)
      for (uint64_t s = first; s < end; ++s) touched_->insert(s);
    for (auto it = painted_.lower_bound(first); it != painted_.end() && *it < end; ++it) {
      uint64_t from = std::max(*it * kSectorSize, offset), to = std::min((*it + 1) * kSectorSize, offset + length);
      std::fill(static_cast<uint8_t*>(buffer) + (from - offset), static_cast<uint8_t*>(buffer) + (to - offset), fill_);
    }
    return true;
  }
  bool writeAt(uint64_t, const void*, size_t) override { return false; }
  uint64_t size() override { return backing_->size(); }

 private:
  std::unique_ptr<RawDevice> backing_;
  const std::set<uint64_t>& painted_;
  uint8_t fill_;
  std::set<uint64_t>* touched_;
};

// Answers the bad-sector question with a fixed answer and counts the questions.
class AnsweringHost : public cli::RecoverHost {
 public:
  explicit AnsweringHost(int32_t answer) : RecoverHost(cli::HostOptions{true, false, kSkip}, Options()), answer_(answer) {}
  int32_t askBadSectors() override {
    ++questions;
    return answer_;
  }
  int questions = 0;

 private:
  static cli::RecoverOptions Options() {
    cli::RecoverOptions options;
    options.onExists = ReplaceAnswer::kReplaceAll;
    return options;
  }
  int32_t answer_;
};

struct Outcome {
  Files files;
  int questions = 0;
  size_t failedReads = 0;
};

Files ReadTree(const std::string& root) {
  Files files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = test::ReadFile(entry.path().string());
  return files;
}

// Where two files first differ, or empty when they are equal.
std::string Difference(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want) {
  if (got.size() != want.size()) return std::to_string(got.size()) + " bytes instead of " + std::to_string(want.size());
  auto at = std::mismatch(got.begin(), got.end(), want.begin());
  if (at.first == got.end()) return {};
  return "byte " + std::to_string(at.first - got.begin()) + " is " + std::to_string(*at.first) + ", not " +
         std::to_string(*at.second);
}

// The first difference between two recoveries, or empty when they are equal.
std::string Difference(const Files& got, const Files& want) {
  for (const auto& [path, bytes] : want) {
    auto found = got.find(path);
    if (found == got.end()) return path + " is missing";
    if (std::string difference = Difference(found->second, bytes); !difference.empty()) return path + ": " + difference;
  }
  for (const auto& [path, bytes] : got)
    if (want.count(path) == 0) return path + " should not be there";
  return {};
}

struct Volume {
  const char* name;
  const char* image;
  size_t partition;
};

void PrintTo(const Volume& volume, std::ostream* out) { *out << volume.image << " -p " << volume.partition; }

class BadSectorCampaign : public ::testing::TestWithParam<Volume> {
 protected:
  void SetUp() override {
    image_ = test::FixturesDir() + "/" + GetParam().image;
    if (!fs::exists(image_)) GTEST_SKIP() << image_ << " was not built here (its tools are missing)";
    ::setenv("VANTOR_CONFIG_DIR", (home_ / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
  }

  // What a clean scan shows of the volume: where it lies, how the saver cuts
  // its reads, and which sectors the scan itself read.
  struct Layout {
    uint64_t first = 0, end = 0;
    int64_t clusterBase = 0;
    uint64_t pieceSectors = 1;
    std::set<uint64_t> scanned;
  };

  Layout ScanOnly() {
    Layout layout;
    std::set<uint64_t> none;
    Session session;
    session.reader.setOpener([&](const std::string& path, DeviceAccess access) -> std::unique_ptr<RawDevice> {
      return std::make_unique<PaintedDevice>(OpenFileDevice(path, access), none, 0, &layout.scanned);
    });
    AnsweringHost host(kSkip);
    session.setHost(&host);
    EXPECT_TRUE(cli::OpenSource(session, image_).ok);
    EXPECT_TRUE(cli::ChoosePartition(session, image_, GetParam().partition).ok);
    EXPECT_TRUE(RunScan(session).ok);
    const RecoveryState& state = session.state;
    layout.first = state.startSector;
    layout.end = state.endSector != 0 ? state.endSector + 1 : fs::file_size(image_) / kSectorSize;
    layout.clusterBase = state.geometry.clusterBase;
    layout.pieceSectors = state.geometry.sectorsPerCluster >= 8 ? 8 : 1;
    return layout;
  }

  // The bad sectors grown to the saver's pieces (which start at cluster starts):
  // a piece that holds one fails as a whole when it is skipped.
  static std::set<uint64_t> Pieces(const std::set<uint64_t>& bad, const Layout& layout) {
    std::set<uint64_t> pieces;
    const int64_t size = static_cast<int64_t>(layout.pieceSectors);
    for (uint64_t sector : bad) {
      int64_t offset = static_cast<int64_t>(sector) - layout.clusterBase;
      int64_t start = layout.clusterBase + (offset >= 0 ? offset / size : (offset - size + 1) / size) * size;
      for (int64_t s = start; s < start + size; ++s) pieces.insert(static_cast<uint64_t>(s));
    }
    return pieces;
  }

  Outcome Recover(const DeviceOpener& opener, int32_t answer) {
    test::TempDir out;
    Session session;
    session.reader.setOpener(opener);
    AnsweringHost host(answer);
    session.setHost(&host);
    cli::RecoverOptions options;
    options.volume.partition = GetParam().partition;
    options.destination = out.path();
    options.onExists = ReplaceAnswer::kReplaceAll;
    cli::RecoverResult result = cli::RecoverPartition(session, image_, options);
    EXPECT_TRUE(result.ok) << result.failure;
    Outcome outcome;
    outcome.files = ReadTree(out.path());
    outcome.questions = host.questions;
    return outcome;
  }

  Outcome RecoverPainted(const std::set<uint64_t>& bad, uint8_t fill) {
    return Recover([&](const std::string& path, DeviceAccess access) -> std::unique_ptr<RawDevice> {
      return std::make_unique<PaintedDevice>(OpenFileDevice(path, access), bad, fill, nullptr);
    }, kSkip);
  }

  // Recovers through the failing device under `answer`, counting failed reads.
  Outcome RecoverFailing(const std::set<uint64_t>& bad, int32_t answer) {
    size_t failed = 0;
    Outcome outcome = Recover([&](const std::string& path, DeviceAccess access) -> std::unique_ptr<RawDevice> {
      struct Counting : FailingSectorDevice {
        Counting(std::unique_ptr<RawDevice> backing, std::set<uint64_t> sectors, size_t& failures)
            : FailingSectorDevice(std::move(backing), std::move(sectors)), failed(failures) {}
        bool readAt(uint64_t offset, void* buffer, size_t length) override {
          bool ok = FailingSectorDevice::readAt(offset, buffer, length);
          failed += ok ? 0 : 1;
          return ok;
        }
        size_t& failed;
      };
      return std::make_unique<Counting>(OpenFileDevice(path, access), bad, failed);
    }, answer);
    outcome.failedReads = failed;
    return outcome;
  }

  // One sector in a hundred of [first, end), chosen at random, never one of `excluded`.
  static std::set<uint64_t> Choose(uint64_t first, uint64_t end, const std::set<uint64_t>& excluded, unsigned seed) {
    std::vector<uint64_t> candidates;
    for (uint64_t s = first; s < end; ++s)
      if (excluded.count(s) == 0) candidates.push_back(s);
    std::mt19937_64 random(seed);
    std::shuffle(candidates.begin(), candidates.end(), random);
    candidates.resize(std::min<size_t>(candidates.size(), (end - first) / 100));
    return {candidates.begin(), candidates.end()};
  }

  std::string image_;
  test::TempDir home_;
};

// 1 % of the volume's sectors fail, metadata included.
TEST_P(BadSectorCampaign, RetryLosesOnlyTheBadSectorsAndSkipAllActsAsSkip) {
  Layout layout = ScanOnly();
  std::set<uint64_t> bad = Choose(layout.first + 1, layout.end, {}, 7);
  ASSERT_FALSE(bad.empty());
  Outcome zeroed = RecoverPainted(bad, 0);

  Outcome retry = RecoverFailing(bad, kRetry);
  Outcome retryAll = RecoverFailing(bad, kRetryAll);
  EXPECT_EQ(Difference(retry.files, zeroed.files), "");
  EXPECT_EQ(Difference(retryAll.files, zeroed.files), "");
  EXPECT_GT(retry.questions, 1);
  EXPECT_EQ(retryAll.questions, 1);

  Outcome skip = RecoverFailing(bad, kSkip);
  Outcome skipAll = RecoverFailing(bad, kSkipAll);
  EXPECT_EQ(Difference(skipAll.files, skip.files), "");
  EXPECT_GT(skip.questions, 1);
  EXPECT_EQ(skipAll.questions, 1);
}

// 1 % of the volume's sectors fail, none of them read by the scan: only file
// data is lost.
TEST_P(BadSectorCampaign, EveryReadableFileComesBackUnderEveryAnswer) {
  Layout layout = ScanOnly();
  std::set<uint64_t> bad = Choose(layout.first, layout.end, layout.scanned, 17);
  ASSERT_FALSE(bad.empty());
  Outcome clean = RecoverPainted({}, 0);
  Outcome zeroed = RecoverPainted(bad, 0);
  // A file that differs here has a bad sector in a piece that the saver reads.
  Outcome marked = RecoverPainted(Pieces(bad, layout), kFailedFill);
  ASSERT_FALSE(clean.files.empty());

  size_t touched = 0;
  for (int32_t answer : {kRetry, kSkip, kRetryAll, kSkipAll}) {
    SCOPED_TRACE("answer " + std::to_string(answer));
    Outcome got = RecoverFailing(bad, answer);
    bool retries = answer == kRetry || answer == kRetryAll;
    EXPECT_EQ(got.questions > 0, got.failedReads > 0);
    if (answer == kRetryAll || answer == kSkipAll) {
      EXPECT_LE(got.questions, 1);
    }
    for (const auto& [path, bytes] : clean.files) {
      auto found = got.files.find(path);
      ASSERT_NE(found, got.files.end()) << path;
      const std::vector<uint8_t>& saved = found->second;
      if (marked.files.at(path) == bytes) {
        EXPECT_EQ(Difference(saved, bytes), "") << path << ": no bad sector lies in it";
        continue;
      }
      touched += answer == kRetry ? 1 : 0;
      ASSERT_EQ(saved.size(), bytes.size()) << path;
      if (retries) {
        EXPECT_EQ(Difference(saved, zeroed.files.at(path)), "") << path;
        continue;
      }
      size_t wrong = 0;
      for (size_t i = 0; i < saved.size(); ++i) wrong += saved[i] != bytes[i] && saved[i] != kFailedFill ? 1 : 0;
      EXPECT_EQ(wrong, 0u) << path << ": bytes that are neither the file's nor the failed read's";
    }
    EXPECT_EQ(got.files.size(), clean.files.size());
  }
  EXPECT_GT(touched, 0u) << "no file held a bad sector: the campaign proved nothing";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BadSectorCampaign,
                         ::testing::Values(Volume{"Fat16", "fat/disk.img", 1}, Volume{"Fat32", "save/fat32.img", 1},
                                           Volume{"Ntfs", "save/ntfs.img", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantor
