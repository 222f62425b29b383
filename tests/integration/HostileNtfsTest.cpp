// `vantor recover` on a copy of the NTFS fixture whose records were patched as a
// damaged or hostile volume has them: a folder whose parent is itself, two
// folders that are each other's parent, a data run that reaches past the end of
// the volume. No file is lost: each is saved (those of a ring under "Lost") or
// named in the report, and the closing line and exit code say which.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/FixtureTools.h"
#include "support/NtfsVolume.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kPartitionStart = 2048;
constexpr uint32_t kRecordBytes = 1024;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// A copy of the fixture, patched record by record.
class PatchedImage {
 public:
  PatchedImage(const std::string& fixture, const std::string& copy) : path_(copy) {
    fs::copy_file(fixture, copy);
    ok_ = test::OpenNtfsPartition(session_, fixture, kPartitionStart) &&
          test::ScanNtfsPartition(session_) == NtfsScanOutcome::kFinished;
    for (const FolderRecord& folder : session_.catalog.folders()) keys_[folder.name.utf8()] = folder.ownKey;
    for (const FileRecord& file : session_.catalog.files())
      if (file.stream == 0) keys_[file.name.utf8()] = file.ownKey;
  }
  bool ok() const { return ok_; }
  uint64_t volumeClusters() const {
    const RecoveryState& state = session_.state;
    return (state.endSector - state.startSector) / state.geometry.sectorsPerCluster;
  }
  uint32_t key(const std::string& name) const { return keys_.count(name) != 0 ? keys_.at(name) : 0; }

  // Calls `patch` on each attribute of `type` in the record of `name`, with the
  // record's bytes and the attribute's offset; false when nothing was patched.
  bool Patch(const std::string& name, uint32_t type, const std::function<bool(std::vector<uint8_t>&, size_t)>& patch) {
    const uint64_t sector = MftRecordSector(session_.mftRunTable, key(name));
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<uint8_t> record(kRecordBytes);
    file.seekg(static_cast<std::streamoff>(sector * 512));
    file.read(reinterpret_cast<char*>(record.data()), kRecordBytes);
    bool patched = false;
    for (size_t at = Le(record, 0x14, 2); at + 8 <= kRecordBytes && Le(record, at, 4) != 0xFFFFFFFF;) {
      const size_t length = Le(record, at + 4, 4);
      if (length == 0) break;
      if (Le(record, at, 4) == type) patched = patch(record, at) || patched;
      at += length;
    }
    file.seekp(static_cast<std::streamoff>(sector * 512));
    file.write(reinterpret_cast<const char*>(record.data()), kRecordBytes);
    return patched;
  }

  static uint64_t Le(const std::vector<uint8_t>& bytes, size_t at, size_t count) {
    uint64_t value = 0;
    for (size_t i = count; i-- > 0;) value = (value << 8) | bytes[at + i];
    return value;
  }

 private:
  std::string path_;
  Session session_;
  bool ok_ = false;
  std::map<std::string, uint32_t> keys_;
};

// The $FILE_NAME attributes of `name` name the record of `parent` as its folder.
bool SetParent(PatchedImage& image, const std::string& name, uint32_t parent) {
  return image.Patch(name, 0x30, [&](std::vector<uint8_t>& record, size_t at) {
    const size_t value = at + PatchedImage::Le(record, at + 0x14, 2);
    for (size_t i = 0; i < 6; ++i) record[value + i] = static_cast<uint8_t>(uint64_t{parent} >> (8 * i));
    return value % 512 < 504;  // clear of the update sequence's places at each sector's end
  });
}

// The first data run of `name` starts as far past its volume as its offset's
// bytes reach.
bool RunPastTheEnd(PatchedImage& image, const std::string& name) {
  return image.Patch(name, 0x80, [&](std::vector<uint8_t>& record, size_t at) {
    if (record[at + 8] == 0) return false;  // resident
    const size_t run = at + PatchedImage::Le(record, at + 0x20, 2);
    const size_t lengthBytes = record[run] & 0x0F, offsetBytes = record[run] >> 4;
    if (offsetBytes == 0 || (uint64_t{1} << (8 * offsetBytes - 1)) - 1 < image.volumeClusters()) return false;
    for (size_t i = 0; i < offsetBytes; ++i) record[run + 1 + lengthBytes + i] = i + 1 < offsetBytes ? 0xFF : 0x7F;
    return (run + 1 + lengthBytes + offsetBytes) % 512 < 510;
  });
}

struct NtfsCase {
  const char* what;
  std::function<bool(PatchedImage&)> patch;
  std::string savedPath;  // a file that must stand below the destination
  bool completes;
  std::string reported;
};

TEST(HostileNtfs, RingsAndRunsPastTheEndLoseNoFile) {
  const std::string fixture = test::FixturesDir() + "/ntfs/disk.img";
  if (!fs::exists(fixture)) {
    if (!test::WhyNotBuilt("ntfs/disk.img").empty()) GTEST_SKIP() << test::WhyNotBuilt("ntfs/disk.img");
    FAIL() << fixture << " was not built";
  }
  const NtfsCase cases[] = {
      {"a folder that is its own parent",
       [](PatchedImage& image) { return SetParent(image, "many", image.key("many")); }, "Lost/many/entry-001.txt",
       true, ""},
      {"two folders each other's parent",
       [](PatchedImage& image) { return SetParent(image, "level1", image.key("level2")); },
       "Lost/level2/two.txt", true, ""},
      {"a data run past the end of the volume", [](PatchedImage& image) { return RunPastTheEnd(image, "large.bin"); },
       "large.bin", false, "Partly Zeros : "},
  };
  struct Run {
    int code = -1;
    std::string report;
    size_t files = 0;
  };
  const auto recover = [&](const std::function<bool(PatchedImage&)>& patch, const std::string& out) {
    const test::TempDir dir;
    const std::string image = dir / "disk.img";
    PatchedImage patched(fixture, image);
    Run run;
    if (!patched.ok() || (patch && !patch(patched))) return run;
    run.report = test::Shell("XDG_DATA_HOME=" + Quote(dir / "data") + " VANTOR_CONFIG_DIR=" + Quote(dir / "config") +
                                 " " + Quote(test::VantorBin()) + " recover " + Quote(image) + " -p 1 --all -o " +
                                 Quote(out) + " 2>&1",
                             &run.code);
    if (fs::exists(out))
      for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) ++run.files;
    return run;
  };
  const test::TempDir outs;
  const Run clean = recover(nullptr, outs / "clean");
  ASSERT_EQ(clean.code, 0) << clean.report.substr(0, 2000);
  ASSERT_GT(clean.files, 300u);
  for (const NtfsCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string out = outs / ("case" + std::to_string(&c - cases));
    const Run run = recover(c.patch, out);
    EXPECT_EQ(run.files, clean.files);
    EXPECT_TRUE(fs::is_regular_file(out + "/" + c.savedPath)) << run.report.substr(0, 2000);
    EXPECT_EQ(run.code, c.completes ? 0 : 1) << run.report.substr(0, 2000);
    EXPECT_EQ(run.report.find("Saving completed successfully.") != std::string::npos, c.completes);
    if (!c.reported.empty()) {
      EXPECT_NE(run.report.find(c.reported), std::string::npos) << run.report.substr(0, 2000);
    }
  }
}

}  // namespace
}  // namespace vantor
