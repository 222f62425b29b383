// Raw recovery on disks made in memory: where each rule ends a file, the
// candidates given up and what the search does after them, the compound
// document's sub-types, the page scan, and output files that cannot be written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "raw/RawEnd.h"
#include "raw/RawRecovery.h"
#include "session/Session.h"
#include "support/MemoryDevice.h"
#include "support/ScriptedHost.h"
#include "support/TempDir.h"

namespace vantor {
namespace {

std::string Wide(const std::string& text) {
  std::string wide;
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

std::string Le32(uint32_t value) {
  return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                     static_cast<char>(value >> 24)};
}

struct Placed {
  uint64_t sector;
  std::string bytes;
};

struct RawCase {
  const char* what;
  std::vector<const char*> types;  // ticked
  std::vector<Placed> disk;
  uint64_t sectors;
  std::vector<std::string> found;  // "TYPE/N.TYPE first count"
};

std::array<bool, kRawTypeCount> Ticked(const std::vector<const char*>& types) {
  std::array<bool, kRawTypeCount> ticked{};
  for (const char* type : types)
    for (size_t i = 0; i < kRawTypeCount; ++i) ticked[i] = ticked[i] || std::string(type) == kRawTypeNames[i];
  return ticked;
}

std::vector<std::string> ReportRows(const std::string& folder) {
  std::ifstream in(folder + "/" + kRawReportFile);
  std::vector<std::string> rows;
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    // type,file,first,count,sha -> "file first count"
    const size_t a = line.find(','), b = line.find(',', a + 1), c = line.find(',', b + 1), d = line.find(',', c + 1);
    rows.push_back(line.substr(a + 1, b - a - 1) + " " + line.substr(b + 1, c - b - 1) + " " +
                   line.substr(c + 1, d - c - 1));
  }
  return rows;
}

TEST(RawRecoveryTest, EachRuleEndsItsFilesAsItSays) {
  const std::string jfif = std::string("\xFF\xD8\xFF\xE0\x00\x10", 6) + "JFIF";
  const std::string workbookRoot = Wide("Root Entry") + std::string(100, '\0') + Wide("Workbook");
  const std::string xlsEnd("\x01\0\0\0\x02\0\0\0\x03\0\0\0\x04", 13);
  const std::string ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  std::vector<Placed> everySectorBmp;
  for (uint64_t sector = 0; sector < 64; ++sector) everySectorBmp.push_back({sector, "BM" + Le32(0x04000000)});
  const RawCase cases[] = {
      {"a sector inside a file saved whole starts no file of its type: one BMP of 64 MiB cut at the end, not 64", {"BMP"},
       everySectorBmp, 64, {"BMP/0.BMP 0 64"}},
      {"a JPEG whose end marker is in its first sector is 2 sectors", {"JPEG"},
       {{3, jfif + "data\xFF\xD9"}}, 10, {"JPEG/0.JPEG 3 2"}},
      {"an end marker that begins at a sector's end is found there", {"PDF"},
       {{1, "%PDF-1.4"}, {4, std::string(509, 'x') + "%%EOF"}}, 10, {"PDF/0.PDF 1 5"}},
      {"HTML ends with the sector of its end tag, other types one sector later", {"HTML", "PDF"},
       {{0, "<html><body>"}, {2, "</html>"}, {5, "%PDF-1.7"}, {6, "%%EOF"}}, 10,
       {"HTML/0.HTML 0 3", "PDF/0.PDF 5 3"}},
      {"a BMP whose size field is 0 is refused; the search goes on after its first sector", {"BMP", "PNG"},
       {{2, "BM" + Le32(0)}, {3, "\x89PNG...IEND\xAE\x42\x60\x82"}}, 10, {"PNG/0.PNG 3 2"}},
      {"a BMP of 3000 bytes is 7 sectors", {"BMP"}, {{2, "BM" + Le32(3000)}}, 20, {"BMP/0.BMP 2 7"}},
      {"RIFF is AVI before CDR; the sectors of a sized file are searched again", {"AVI", "CDR", "PNG"},
       {{0, "RIFF" + Le32(1500)}, {1, "\x89PNG IEND\xAE\x42\x60\x82"}}, 10,
       {"AVI/0.AVI 0 4", "PNG/0.PNG 1 2"}},
      {"a compound document naming its workbook is an XLS when XLS is ticked", {"XLS"},
       {{0, ole}, {1, workbookRoot}, {3, xlsEnd}}, 10, {"XLS/0.XLS 0 5"}},
      {"... and passed over when only DOC is", {"DOC"}, {{0, ole}, {1, workbookRoot}, {3, xlsEnd}}, 10, {}},
      {"a CPP given up after its 1000 sectors; the PNG inside it is found after", {"CPP", "PNG"},
       {{0, "// no end"}, {700, "\x89PNG IEND\xAE\x42\x60\x82"}}, 3000, {"PNG/0.PNG 700 2"}},
      {"a candidate still open where the disk ends is given up; the PNG after it is found", {"CPP", "PNG"},
       {{0, "// no end"}, {5, "\x89PNG IEND\xAE\x42\x60\x82"}}, 10, {"PNG/0.PNG 5 2"}},
      {"a PDF inside a false ZIP is found too; a ZIP member inside it is not", {"PDF", "ZIP"},
       {{0, "PK"}, {2, "%PDF"}, {3, "%%EOF"}, {4, "PK\x03\x04"}, {5, "x PK\x05\x06"}}, 10,
       {"ZIP/0.ZIP 0 7", "PDF/0.PDF 2 3"}},
      {"types not ticked are not saved", {"PDF"}, {{3, jfif + "\xFF\xD9"}}, 10, {}},
      {"an end marker running over the end of the read ring into its start", {"PDF"},
       {{40990, "%PDF"}, {40999, std::string(509, 'x') + "%%EOF"}}, 41010, {"PDF/0.PDF 40990 11"}},
  };
  for (const RawCase& c : cases) {
    auto disk = std::make_shared<test::MemoryDisk>();
    for (const Placed& p : c.disk) disk->Put(p.sector, reinterpret_cast<const uint8_t*>(p.bytes.data()), p.bytes.size());
    disk->sizeSectors = c.sectors;
    Session session;
    test::UseMemoryDisk(session, disk);
    test::ScriptedHost host;
    test::TempDir out;
    std::vector<FileTypeRule> rules = BuildRules(Ticked(c.types));
    const RawOutcome outcome = RunRawRecovery(session.reader, host, rules, {0, c.sectors, out.path()});
    EXPECT_EQ(ReportRows(out.path()), c.found) << c.what;
    EXPECT_EQ(outcome.filesFound, c.found.size()) << c.what;
    EXPECT_TRUE(outcome.complete()) << c.what;
  }
}

// Sizes beyond the limits, and the page scan that must end.
TEST(RawRecoveryTest, SizeLimitsAndPageScan) {
  std::vector<FileTypeRule> rules = BuildRules(Ticked({"AVI", "MDB"}));
  RawCandidate avi;
  const std::string riff = "RIFF" + Le32(0xFFFFFFFF);
  std::copy(riff.begin(), riff.end(), avi.firstSector.begin());
  const RawSectorsRead none = [](uint64_t, uint32_t count, uint8_t* buffer) { std::fill_n(buffer, count * 512, 0); };
  const RawEnd end = FindEnd(ByteView(avi.firstSector.data(), 512), 0, rules, avi, none, 100);
  EXPECT_EQ(end.status, EndStatus::kDecided);
  EXPECT_EQ(end.sectorCount, 2097154u);
  // Pages that ask for more, then a page mark right after: the scan stops.
  const RawSectorsRead pages = [](uint64_t first, uint32_t count, uint8_t* buffer) {
    std::fill_n(buffer, count * 512, 0);
    for (uint32_t i = 0; i < count; ++i) {
      if (first + i == 10) buffer[i * 512 + 1] = 0x01;
      if (first + i == 11) buffer[i * 512] = 0x01;
    }
  };
  EXPECT_EQ(PageScanEnd(10, 1000, pages), 9u);
  EXPECT_EQ(PageScanEnd(1000, 1000, pages), 0u);
}

// A file that cannot be created (a file stands where its type folder goes) is
// counted apart and the run is not complete; a link standing where a file goes
// is left as it is, its target too, and the file takes the next free number.
TEST(RawRecoveryTest, UnwritableFilesAndLinks) {
  auto disk = std::make_shared<test::MemoryDisk>();
  const std::string png = "\x89PNG IEND\xAE\x42\x60\x82";
  const std::string pdf = "%PDF %%EOF";
  disk->Put(1, reinterpret_cast<const uint8_t*>(png.data()), png.size());
  disk->Put(3, reinterpret_cast<const uint8_t*>(pdf.data()), pdf.size());
  disk->sizeSectors = 8;
  Session session;
  test::UseMemoryDisk(session, disk);
  test::ScriptedHost host;
  test::TempDir out;
  test::TempDir elsewhere;
  std::ofstream(out / "PNG") << "a file where the type folder goes";
  std::filesystem::create_directories(out / "PDF");
  std::ofstream(elsewhere / "target") << "kept";
  std::filesystem::create_symlink(elsewhere / "target", out / "PDF/0.PDF");
  std::vector<FileTypeRule> rules = BuildRules(Ticked({"PNG", "PDF"}));
  const RawOutcome outcome = RunRawRecovery(session.reader, host, rules, {0, 8, out.path()});
  EXPECT_EQ(outcome.filesFound, 2u);
  EXPECT_EQ(outcome.filesNotWritten, 1u);
  EXPECT_FALSE(outcome.complete());
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_NE(outcome.problems[0].find("PNG/0.PNG"), std::string::npos);
  EXPECT_EQ(std::filesystem::read_symlink(out / "PDF/0.PDF"), elsewhere / "target");
  EXPECT_EQ(std::filesystem::file_size(out / "PDF/1.PDF"), 1024u);
  std::ifstream kept(elsewhere / "target");
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "kept");
}

// A folder without room (here: one that is gone, which has no free bytes):
// the user names another one, is asked whether to stop while they name none,
// and the files go where they said; or they stop, and the search ends there.
TEST(RawRecoveryTest, FullFolderAsksForAnother) {
  auto disk = std::make_shared<test::MemoryDisk>();
  const std::string pdf = "%PDF %%EOF";
  disk->Put(2, reinterpret_cast<const uint8_t*>(pdf.data()), pdf.size());
  disk->sizeSectors = 8;
  Session session;
  test::UseMemoryDisk(session, disk);
  test::TempDir out;
  const std::string gone = out / "gone";
  const struct {
    bool stop;
    std::vector<std::string> calls;
  } cases[] = {{true, {"message:" + std::string(kRawFullText), "otherFolder", "question:" + std::string(kRawStopQuestion)}},
               {false, {"message:" + std::string(kRawFullText), "otherFolder", "question:" + std::string(kRawStopQuestion),
                        "otherFolder"}}};
  for (const auto& c : cases) {
    test::ScriptedHost host;
    host.otherFolders = {std::string(), out.path()};
    host.questionAnswers = {c.stop};
    std::vector<FileTypeRule> rules = BuildRules(Ticked({"PDF"}));
    const RawOutcome outcome = RunRawRecovery(session.reader, host, rules, {0, 8, gone});
    std::vector<std::string> asked;
    for (const std::string& call : host.calls)
      if (call.rfind("caption", 0) != 0) asked.push_back(call);
    EXPECT_EQ(asked, c.calls);
    EXPECT_EQ(outcome.stopped, c.stop);
    EXPECT_EQ(std::filesystem::exists(out / "PDF/0.PDF"), !c.stop);
  }
}

}  // namespace
}  // namespace vantor
