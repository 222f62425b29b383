#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <iterator>
#include <set>

#include "browser/BuildFolderTree.h"
#include "disk/SectorReader.h"
#include "fat/FatTable.h"
#include "save/Destination.h"
#include "save/FatChain.h"
#include "save/FilePreview.h"
#include "save/SaveTree.h"
#include "support/FatVolumeImage.h"
#include "support/ScriptedHost.h"

namespace vantor {
namespace {

using test::Content;
using test::FatVolumeImage;
using test::ReadFile;
using test::TempDir;

constexpr uint16_t kDate = (44 << 9) | (3 << 5) | 5;  // 2024-03-05
constexpr uint16_t kTime = (14 << 11) | (7 << 5) | 4;  // 14:07:08

void AddFile(Session& s, const std::string& name, char deleted, uint32_t size, uint32_t cluster, uint32_t parent = 0) {
  s.catalog.AddFile({.shortName = name, .deleted = deleted, .size = size, .parentKey = parent, .ownKey = cluster, .times = {{kDate, kTime}, {kDate, kTime}, {kDate, 0}}});
}

// Saves everything of the catalog into `dir`/out; returns the destination.
std::string SaveAll(Session& s, const TempDir& dir) {
  s.savingFilter.selectionMode = kSaveAll;
  BuildFolderTree(s);
  EXPECT_EQ(AcceptDestination(s, dir / "out"), DestinationOutcome::kAccepted);
  SaveTree(s);
  return dir / "out/";
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t length) {
  return {bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + length)};
}

TEST(SaveFatFileTest, ChainsFatCopiesAndConsecutiveClusters) {
  TempDir dir;
  FatVolumeImage image(1, 64);
  auto frag = Content(1300, 1), gone = Content(1100, 2), one = Content(300, 3), second = Content(800, 4),
       marked = Content(1000, 5);
  image.Store({2, 5, 9}, frag);
  image.Store({12, 13, 14}, gone, false);  // deleted: the chain is zeroed
  image.Store({20}, one, false);
  image.Store({30, 33}, second);
  image.SetEntry(30, 0, 1);  // FAT1 lost the chain, FAT2 still has it
  image.Store({40, 44}, marked);
  image.SetEntry(44, 0xFFF8);  // another end mark than 0xFFFF: still the end
  Session s;
  image.Attach(s, dir);
  AddFile(s, "FRAG.BIN", 'n', 1300, 2);
  AddFile(s, "_ONE.BIN", 'y', 1100, 12);
  AddFile(s, "_TWO.BIN", 'y', 300, 20);
  AddFile(s, "SECOND.BIN", 'n', 800, 30);
  AddFile(s, "MARKED.BIN", 'n', 1000, 40);
  std::string out = SaveAll(s, dir);
  EXPECT_EQ(ReadFile(out + "FRAG.BIN"), frag);
  EXPECT_EQ(ReadFile(out + "_ONE.BIN"), gone);
  EXPECT_EQ(ReadFile(out + "_TWO.BIN"), one);
  EXPECT_EQ(ReadFile(out + "SECOND.BIN"), second);
  EXPECT_EQ(ReadFile(out + "MARKED.BIN"), marked);
  EXPECT_EQ(s.savingRun.bytesCopied, s.savingRun.bytesRequired);
  EXPECT_EQ(s.savingRun.filesSaved, 5);
  // The DOS write time, a local time, is the file's last-write time.
  std::tm local{};
  local.tm_year = 2024 - 1900, local.tm_mon = 2, local.tm_mday = 5, local.tm_hour = 14, local.tm_min = 7, local.tm_sec = 8;
  local.tm_isdst = -1;
  struct stat info;
  ASSERT_EQ(::stat((out + "FRAG.BIN").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, std::mktime(&local));

  // FAT1 alone: its chain is too short, so the file is read from consecutive
  // clusters 30, 31.
  Session fat1;
  TempDir other;
  image.Attach(fat1, other);
  fat1.savingFilter.fatChainSource = kChainFat1;
  AddFile(fat1, "SECOND.BIN", 'n', 800, 30);
  std::string out1 = SaveAll(fat1, other);
  auto disk = ReadFile(other / "volume.img");
  EXPECT_EQ(ReadFile(out1 + "SECOND.BIN"), Slice(disk, image.ClusterOffset(30), 800));

  // The same session saves from another volume whose FAT lies at the same
  // sector (the wizard after Back): nothing read for the first run is used.
  FatVolumeImage moved(1, 64);
  auto elsewhere = Content(1300, 9);
  moved.Store({2, 7, 8}, elsewhere);
  TempDir third;
  moved.Attach(s, third);
  s.catalog.FreeCatalog();
  AddFile(s, "FRAG.BIN", 'n', 1300, 2);
  std::string out2 = SaveAll(s, third);
  EXPECT_EQ(ReadFile(out2 + "FRAG.BIN"), elsewhere);
}

TEST(SaveFatFileTest, ChainWalkIsBoundedAndFollowsTheWidth) {
  TempDir dir;
  FatVolumeImage image(1, 64);
  image.SetEntry(2, 3);
  image.SetEntry(3, 2);  // a loop
  Session s;
  image.Attach(s, dir);
  FatTable fat(s.reader.function(), s.reader.quietFunction(), FileSystemKind::kFat16,
               FatVolumeImage::kFirstFat, FatVolumeImage::kFatSectors);
  EXPECT_EQ(BuildFatChain(fat, 2, 4), (std::vector<uint32_t>{2, 3, 2, 3, 2}));
  EXPECT_EQ(BuildFatChain(fat, 2, 0), (std::vector<uint32_t>{2}));
  FatTable atZero(s.reader.function(), s.reader.quietFunction(), FileSystemKind::kFat16, 0, FatVolumeImage::kFatSectors);
  EXPECT_EQ(BuildFatChain(atZero, 2, 5), (std::vector<uint32_t>{2}));
  // FAT12: cluster 2 = ((byte4 & 0x0F) << 8) + byte3, cluster 3 = (byte5 << 4) | (byte4 >> 4).
  std::vector<uint8_t> fat12(4 * 512);
  fat12[512 + 3] = 0x03, fat12[512 + 4] = 0xF0, fat12[512 + 5] = 0xFF;
  test::WriteFile(dir / "fat12.img", fat12);
  Session t;
  t.reader.mapDevice("\\\\.\\PhysicalDrive0", dir / "fat12.img");
  FatTable table12(t.reader.function(), t.reader.quietFunction(), FileSystemKind::kFat12, 1, 3);
  EXPECT_EQ(BuildFatChain(table12, 2, 5), (std::vector<uint32_t>{2, 3}));
}

// Asks for the file in progress to be skipped at its first progress report.
class SkippingHost : public test::ScriptedHost {
 public:
  explicit SkippingHost(Session& session) : session_(session) {}
  void setFileProgress(uint64_t) override {
    if (!skipped_) session_.savingRun.skipFile = 1;
    skipped_ = true;
  }

 private:
  Session& session_;
  bool skipped_ = false;
};

TEST(SaveFatFileTest, PiecesEmptyFilesAndSkip) {
  TempDir dir;
  auto exact = Content(4096, 6), big = Content(3 << 20, 7), after = Content(100, 8);
  std::vector<uint32_t> clusters;
  for (uint32_t c = 3; c < 3 + (3 << 20) / 4096; ++c) clusters.push_back(c);
  Session s;
  FatVolumeImage large(8, 800);
  large.Store({2}, exact);
  large.Store(clusters, big);
  large.Store({780}, after);
  large.Attach(s, dir);
  AddFile(s, "EXACT.BIN", 'n', 4096, 2);
  AddFile(s, "EMPTY.BIN", 'n', 0, 0);
  AddFile(s, "BIG.BIN", 'n', 3 << 20, 3);
  AddFile(s, "AFTER.BIN", 'n', 100, 780);
  SkippingHost host(s);
  s.setHost(&host);
  std::string out = SaveAll(s, dir);
  // EXACT's first report skips it once it is written whole; BIG is written in
  // 1 MiB requests and is complete.
  EXPECT_EQ(ReadFile(out + "EXACT.BIN"), exact);
  EXPECT_TRUE(test::ReadFile(out + "EMPTY.BIN").empty());
  EXPECT_EQ(ReadFile(out + "BIG.BIN"), big);
  EXPECT_EQ(ReadFile(out + "AFTER.BIN"), after);

  // A skip during a large file leaves nothing of it and goes on.
  TempDir second;
  Session t;
  large.Attach(t, second);
  AddFile(t, "BIG.BIN", 'n', 3 << 20, 3);
  AddFile(t, "AFTER.BIN", 'n', 100, 780);
  SkippingHost skipper(t);
  t.setHost(&skipper);
  std::string out2 = SaveAll(t, second);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out2), {}), 1) << "nothing but AFTER.BIN";
  EXPECT_EQ(ReadFile(out2 + "AFTER.BIN"), after);
  EXPECT_EQ(t.savingRun.skipFile, 0);
  EXPECT_LT(t.savingRun.bytesCopied, t.savingRun.bytesRequired);
}

TEST(SaveFatFileTest, LargeReadsAskTheQuestionsOfPieceReads) {
  TempDir dir;
  FatVolumeImage image(8, 64);
  auto content = Content(64 * 1024, 9);
  std::vector<uint32_t> clusters;
  for (uint32_t c = 2; c < 18; ++c) clusters.push_back(c);
  image.Store(clusters, content);
  const uint64_t firstSector = image.ClusterOffset(2) / 512;
  const uint64_t bad = image.ClusterOffset(6) / 512 + 3;
  struct Case {
    std::set<uint64_t> badSectors;
    int32_t answer;
    bool standing = false;  // the answer stands from an earlier question
  };
  for (const Case& c : {Case{{}, kRetry}, Case{{bad}, kRetry}, Case{{bad}, kSkip}, Case{{bad}, kSkipAll, true}}) {
    Session s;
    TempDir run;
    image.Attach(s, run);
    FailingSectorDevice* device = nullptr;
    s.reader.setOpener([&](const std::string& path, DeviceAccess access) -> std::unique_ptr<RawDevice> {
      auto opened = std::make_unique<FailingSectorDevice>(OpenFileDevice(path, access), c.badSectors);
      device = opened.get();
      return opened;
    });
    test::ScriptedHost host;
    host.badSectorAnswers = {c.answer};
    s.setHost(&host);
    if (c.standing) s.state.badSectorPolicy = c.answer;
    AddFile(s, "DATA.BIN", 'n', 64 * 1024, 2);
    std::string out = SaveAll(s, run);
    auto saved = ReadFile(out + "DATA.BIN");
    ASSERT_EQ(saved.size(), content.size());
    ASSERT_NE(device, nullptr);
    if (c.badSectors.empty()) {
      EXPECT_EQ(host.badSectorQuestions(), 0);
      EXPECT_EQ(saved, content);
      EXPECT_LE(device->readRequests(), 5u);  // one FAT sector, then 16 pieces in one run
      continue;
    }
    // One question, as when the file is read piece by piece (none when the
    // answer stands): only the piece that holds the bad sector fails.
    EXPECT_EQ(host.badSectorQuestions(), c.standing ? 0 : 1) << c.answer;
    EXPECT_EQ(s.state.badSectorPolicy, c.answer);
    size_t at = (bad - firstSector) * 512;
    auto expected = content;
    std::fill(expected.begin() + static_cast<long>(at), expected.begin() + static_cast<long>(at + 512), 0);
    if (c.answer == kRetry) {
      EXPECT_EQ(saved, expected);
    }
    size_t piece = at - 3 * 512;
    EXPECT_EQ(Slice(saved, 0, piece), Slice(content, 0, piece));
    EXPECT_EQ(Slice(saved, piece + 4096, content.size() - piece - 4096), Slice(content, piece + 4096, content.size() - piece - 4096));
  }
}

// What lies outside the volume is never read (it belongs to another volume, or
// to nothing): a claimed size is cut at the volume's end, a chain's cluster
// past it is written as zeros, and each such file is named in the report.
TEST(SaveFatFileTest, ContentPastTheVolumeIsNeitherReadNorHidden) {
  TempDir dir;
  FatVolumeImage image(1, 70);
  auto tail = Content(2 * 512, 6);
  image.Store({64, 65}, tail, false);  // the last two clusters of the volume
  auto head = Content(512, 7);
  image.Store({60, 68}, Content(2 * 512, 7));  // cluster 68 lies past the volume's end
  image.Store({69}, Content(512, 9), false);
  Session s;
  image.Attach(s, dir);
  s.state.endSector = FatVolumeImage::kDataStart + 64;  // the volume ends after cluster 65
  AddFile(s, "_HUGE.BIN", 'y', 0xF0000000, 64);          // a damaged entry: 3.75 GiB
  AddFile(s, "_PAST.BIN", 'y', 4096, 200);               // starts past the volume
  AddFile(s, "CHAIN.BIN", 'n', 1024, 60);
  std::string out = SaveAll(s, dir);
  EXPECT_EQ(ReadFile(out + "_HUGE.BIN"), tail);
  EXPECT_TRUE(ReadFile(out + "_PAST.BIN").empty());
  auto chained = head;
  chained.resize(1024, 0);
  EXPECT_EQ(ReadFile(out + "CHAIN.BIN"), chained);
  std::vector<std::string> damaged;
  for (const FileProblem& file : s.savingRun.damaged) damaged.push_back(file.path);
  EXPECT_EQ(damaged, (std::vector<std::string>{out + "_HUGE.BIN", out + "_PAST.BIN"}));
  EXPECT_EQ(s.savingRun.zeroFilled, std::vector<std::string>{out + "CHAIN.BIN"});
}

TEST(SaveFatFileTest, PreviewReadsTheStartAndTellsWhatItHolds) {
  TempDir dir;
  FatVolumeImage image(1, 64);
  auto text = Content(1300, 1);
  for (size_t i = 0; i < text.size(); ++i) text[i] = i % 40 == 39 ? '\n' : static_cast<uint8_t>('a' + i % 26);
  image.Store({2, 5, 9}, text);
  Session s;
  image.Attach(s, dir);
  AddFile(s, "NOTES.TXT", 'n', 1300, 2);
  const FileRecord& file = s.catalog.files()[0];
  // The preview goes through the saver under a relative name: were it to reach
  // the file system, it would land in the working folder (or beside the volume).
  TempDir cwd;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  const auto start = ReadFileStart(s, file, 700), whole = ReadFileStart(s, file, kPreviewBytes);
  std::filesystem::current_path(before);
  EXPECT_EQ(start, Slice(text, 0, 700));  // across a gap in the chain
  EXPECT_EQ(whole, text);
  EXPECT_TRUE(s.savingRun.notSaved.empty());  // a look, not a save
  EXPECT_EQ(s.savingRun.bytesCopied, 0u);
  EXPECT_TRUE(std::filesystem::is_empty(cwd.path()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // volume.img alone

  const auto bytes = []<size_t n>(const char (&literal)[n]) { return std::vector<uint8_t>(literal, literal + n - 1); };
  const struct {
    std::vector<uint8_t> start;
    PreviewKind kind;
  } kinds[] = {
      {bytes("\xFF\xD8\xFF\xE0"), PreviewKind::kImage},  {bytes("\x89PNG\r\n"), PreviewKind::kImage},
      {bytes("line one\r\nline two\n"), PreviewKind::kText}, {bytes("caf\xE9 cr\xE8me"), PreviewKind::kText},
      {bytes("\xFF\xFEh\0i\0"), PreviewKind::kText},        {bytes("MZ\x90\0\x03"), PreviewKind::kHex},
      {{}, PreviewKind::kHex},
  };
  for (const auto& k : kinds) EXPECT_EQ(PreviewKindOf(k.start), k.kind);
  EXPECT_EQ(TextPreview(bytes("one\ntwo\nthree\n"), 2), "one\ntwo\n");
  EXPECT_EQ(TextPreview(bytes("caf\xE9")), "caf\xC3\xA9");  // Latin-1 when not UTF-8
  EXPECT_EQ(TextPreview(bytes("\xFF\xFEh\0i\0")), "hi");
  EXPECT_EQ(HexPreview(bytes("MZ\x90\0"), 1024),
            "00000000  4d 5a 90 00                                      |MZ..|\n");
  EXPECT_EQ(HexPreview(std::vector<uint8_t>(2048, 0x41)).size(), 64u * 78u);  // two sectors, no more
}

}  // namespace
}  // namespace vantor
