// Raw recovery of files written by real programs (ImageMagick, Ghostscript,
// zip, LibreOffice, ffmpeg, texts and public test corpora, see
// tests/fixtures/raw-samples/SOURCES.md), placed at sector boundaries between
// noise, in a FAT32 volume whose boot sectors and FATs are gone and in an NTFS
// volume whose boot sectors, $MFT and $MFTMirr are gone
// (tests/fixtures/make-raw-fixtures.sh): each is found under its type at its
// sector, saved beginning with its own bytes and holding all of them, unless
// its type's rule ends or names it otherwise; types not ticked are not saved;
// a file that cannot be written makes the run fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "support/Recovered.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

using test::Vantor;

std::string Fixtures() { return test::BuiltFixtures("raw", "raw.layout"); }

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// "TYPE FIRST" -> the saved file, from the run's report.
std::map<std::string, std::string> Saved(const std::string& folder) {
  std::ifstream report(folder + "/raw-report.csv");
  std::map<std::string, std::string> saved;
  std::string line;
  std::getline(report, line);
  while (std::getline(report, line)) {
    std::istringstream fields(line);
    std::string type, file, first;
    std::getline(fields, type, ',');
    std::getline(fields, file, ',');
    std::getline(fields, first, ',');
    saved[type + " " + first] = folder + "/" + file;
  }
  return saved;
}

// Where a file's rule ends it before its end, names it otherwise or never ends
// it; every other file is found whole under its own type.
constexpr size_t kWhole = 0, kWhatWasSaved = SIZE_MAX;
struct Outcome {
  std::string file;
  std::string foundAs;      // empty: not found
  size_t bytes = kWhole;  // else the size saved, all of it the original's
};
const std::map<std::string, Outcome>& Exceptions() {
  static const std::map<std::string, Outcome> table = [] {
    std::map<std::string, Outcome> byFile;
    for (const Outcome& o : std::initializer_list<Outcome>{
             // ImageMagick's image data holds the end marker (FF and 15 zeros).
             {"layers.psd", "PSD", kWhatWasSaved},
             // The XLS marker (a FAT's chain 1, 2, 3, 4) stands in sector 37 of 41.
             {"testEXCEL_1img.xls", "XLS", 39 * 512},
             // A stale directory in sector 2 names it; its marker stands in sector 73 of 81.
             {"chart.ppt", "PPT", 75 * 512},
             // LibreOffice's first directory sector names no WordDocument: never typed, never ended.
             {"minutes.doc", ""},
             // Its directory (sector 13) follows the one XLS marker (sector 3): never ended.
             {"sales.xls", ""},
             // RIFF is AVI's header too, and AVI's rule comes first.
             {"drawing.cdr", "AVI"},
             // The page scan stops at the first sector beginning with 01, in the header page.
             {"delTestV1997.mdb", "MDB", 3 * 512},
             // DISPLAY, the printer's name, is the PMD marker, in sector 5.
             {"pagemaker.pmd", "PMD", 7 * 512},
             // Their markers (a zero-length record 01) stand in their first sector.
             {"testLotus123.wk1", "WK1", 2 * 512},
             {"testLotus123.wk3", "WK3", 2 * 512},
             // "WK3\0WK3" stands in sector 10 of 13.
             {"testLotus123.wk4", "WK4", 12 * 512}})
      byFile[o.file] = o;
    return byFile;
  }();
  return table;
}

// Between noise, in a FAT32 and in an NTFS volume whose metadata are gone.
TEST(RawFixtures, EveryFileFoundAsItsRuleSays) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the raw fixture needs ImageMagick, Ghostscript, zip, mtools and ntfs-3g";
  for (const std::string disk : {"raw", "fat32", "ntfs"}) {
    test::TempDir out;
    int code = -1;
    const std::string report =
        Vantor("raw --quiet '" + folder + "/" + disk + ".img' -o '" + out.path() + "' --types all", &code);
    ASSERT_EQ(code, 0) << report;
    EXPECT_NE(report.find("Raw Saving Completed Successfully."), std::string::npos);
    std::map<std::string, std::string> saved = Saved(out.path());
    std::ifstream layout(folder + "/" + disk + ".layout");
    size_t placed = 0;
    for (std::string type, first, bytes, name; layout >> type >> first >> bytes >> name; ++placed) {
      const auto exception = Exceptions().find(name);
      const Outcome expected = exception != Exceptions().end() ? exception->second : Outcome{name, type};
      const std::string where = disk + ": " + name + " at " + first;
      const auto found = saved.find(expected.foundAs + " " + first);
      if (expected.foundAs.empty()) {
        for (const auto& [key, file] : saved) EXPECT_NE(key.substr(key.find(' ') + 1), first) << where;
        continue;
      }
      ASSERT_NE(found, saved.end()) << where;
      const std::string original = Bytes(folder + "/files/" + name);
      const std::string got = Bytes(found->second);
      const size_t compared = expected.bytes == kWhole ? original.size() : std::min(expected.bytes, got.size());
      if (expected.bytes != kWhole && expected.bytes != kWhatWasSaved) {
        EXPECT_EQ(got.size(), expected.bytes) << where;
      }
      ASSERT_GE(got.size(), compared) << where;
      EXPECT_EQ(got.substr(0, compared), original.substr(0, compared)) << where;
      saved.erase(found);
    }
    EXPECT_GT(placed, 20u) << disk;
    EXPECT_TRUE(saved.empty()) << disk << ": " << saved.size() << " more, the first " << saved.begin()->first;
  }
}

// DOC, XLS, PPT and PMD share the compound-document rule, yet a sub-type not
// ticked is not saved. CDR, no longer behind AVI, is found as itself, and being
// RIFF too the AVI is found as a CDR.
TEST(RawFixtures, SubTypesAndRiffFollowTheTicks) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the raw fixture needs ImageMagick, Ghostscript, zip, mtools and ntfs-3g";
  std::map<std::string, std::string> first;
  std::ifstream layout(folder + "/raw.layout");
  for (std::string type, at, bytes, name; layout >> type >> at >> bytes >> name;) first[name] = at;
  test::TempDir out;
  int code = -1;
  Vantor("raw --quiet '" + folder + "/raw.img' -o '" + out.path() + "' --types DOC,CDR", &code);
  EXPECT_EQ(code, 0);
  std::map<std::string, std::string> saved = Saved(out.path());
  EXPECT_EQ(saved.erase("DOC " + first["testWORD.doc"]), 1u);
  EXPECT_EQ(saved.erase("CDR " + first["drawing.cdr"]), 1u);
  EXPECT_EQ(saved.erase("CDR " + first["clip.avi"]), 1u);
  EXPECT_TRUE(saved.empty()) << saved.begin()->first;  // no XLS, PPT or PMD among them
}

TEST(RawFixtures, OnlyTheTypesTickedAndEveryFileWritten) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the raw fixture needs ImageMagick, Ghostscript and zip";
  test::TempDir out;
  int code = -1;
  Vantor("raw --quiet '" + folder + "/raw.img' -o '" + out.path() + "' --types JPEG,PDF", &code);
  EXPECT_EQ(code, 0);
  const std::map<std::string, std::string> saved = Saved(out.path());
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved.begin()->first.substr(0, 4), "JPEG");
  EXPECT_EQ(saved.rbegin()->first.substr(0, 3), "PDF");

  test::TempDir blocked;
  std::ofstream(blocked / "JPEG") << "a file where the type folder goes";
  const std::string failed = Vantor("raw --quiet '" + folder + "/raw.img' -o '" + blocked.path() + "' --types JPEG,PDF",
                                    &code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(failed.find("1 of the 2 files found could not be written"), std::string::npos) << failed;
  EXPECT_EQ(failed.find("Raw Saving Completed Successfully."), std::string::npos);
  EXPECT_NE(Vantor("raw '" + folder + "/raw.img' -o '" + out.path() + "' --types GIF", &code).find("unknown type 'GIF'"),
            std::string::npos);
  EXPECT_EQ(code, 2);
}

}  // namespace
}  // namespace vantor
