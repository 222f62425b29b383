// Raw recovery of files written by ImageMagick, Ghostscript, zip and as texts,
// placed at sector boundaries between noise and in a FAT32 volume whose boot
// sectors and FATs are gone (tests/fixtures/make-raw-fixtures.sh):
// each is found under its type at its sector, saved beginning with its own
// bytes and holding all of them; types not ticked are not saved; a file that
// cannot be written makes the run fail.
#include <gtest/gtest.h>

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

// Between noise, and in a FAT32 volume whose boot sectors and FATs are gone.
TEST(RawFixtures, EveryFileFoundWholeUnderItsType) {
  const std::string folder = Fixtures();
  if (folder.empty()) GTEST_SKIP() << "the raw fixture needs ImageMagick, Ghostscript and zip";
  for (const std::string disk : {"raw", "fat32"}) {
    test::TempDir out;
    int code = -1;
    const std::string report =
        Vantor("raw --quiet '" + folder + "/" + disk + ".img' -o '" + out.path() + "' --types all", &code);
    ASSERT_EQ(code, 0) << report;
    EXPECT_NE(report.find("Raw Saving Completed Successfully."), std::string::npos);
    const std::map<std::string, std::string> saved = Saved(out.path());
    std::ifstream layout(folder + "/" + disk + ".layout");
    size_t placed = 0;
    for (std::string type, first, bytes, name; layout >> type >> first >> bytes >> name; ++placed) {
      const auto found = saved.find(type + " " + first);
      ASSERT_NE(found, saved.end()) << disk << ": " << type << " at " << first;
      const std::string original = Bytes(folder + "/files/" + name);
      const std::string got = Bytes(found->second);
      // ImageMagick's PSD holds the PSD rule's end marker (FF and 15 zero
      // bytes) in its image data: the rule ends the file there, before its end.
      const size_t compared = type == "PSD" ? got.size() : original.size();
      ASSERT_GE(got.size(), compared) << disk << ": " << type;
      EXPECT_EQ(got.substr(0, compared), original.substr(0, compared)) << disk << ": " << type;
    }
    EXPECT_EQ(saved.size(), placed) << disk;
  }
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
