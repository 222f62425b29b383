// Saved states of real volumes: what a scan or a search saved lists and
// recovers, once loaded, exactly as the scan did; a state of another disk is
// refused.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/FixtureTools.h"
#include "support/Recovered.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

using test::Recovered;
using test::Vantor;

struct RoundTrip {
  const char* what;
  const char* source;  // under the fixtures
  std::string save;    // the command that saves, without SOURCE and the file
  std::string scan;    // the volume as scanned without the state
  std::string load;    // the volume from the state (FILE stands for its path)
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The listing of `vantor scan ARGUMENTS`, without what it says of the scan (a
// loaded scan does not switch to the exhaustive scan: it was saved switched).
std::string Listing(const std::string& arguments, int* code) {
  std::istringstream lines(Vantor("scan --quiet " + arguments, code));
  std::string listing;
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("vantor: ", 0) != 0) listing += line + "\n";
  return listing;
}

const RoundTrip kTrips[] = {
    {"FAT16 scan", "fat/disk.vmdk", "scan -p 1", "-p 1", "--state FILE.ST4"},
    {"NTFS scan with streams and compressed files", "ntfs/features.vmdk", "scan", "", "--state FILE.ST4"},
    {"NTFS exhaustive scan", "ntfs-lost/nomft.img", "scan", "", "--state FILE.ST4"},
    {"FAT scan of a found file system", "lost/lostmbr.img", "scan --lost 2 --fs FAT16", "--lost 2 --fs FAT16",
     "--state FILE.ST4"},
    {"FAT lost-partition search", "lost/lostmbr.img", "lost --fs FAT16", "--lost 2 --fs FAT16",
     "--state FILE.ST2C --lost 2"},
    {"NTFS lost-partition search", "ntfs-lost/lost2.img", "lost --fs NTFS", "--lost 2 --fs NTFS",
     "--state FILE.ST2C --lost 2"},
};

class StateFixturesRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(StateFixturesRoundTrip, LoadedStateListsAndRecoversAsTheScan) {
  const RoundTrip& trip = GetParam();
  const std::string source = test::FixturesDir() + "/" + trip.source;
  if (!std::filesystem::exists(source)) {
    const std::string why = test::WhyNotBuilt(trip.source);
    if (!why.empty()) GTEST_SKIP() << why;
    FAIL() << source << " is missing, though this machine has what tests/fixtures/ needs to build it";
  }
  test::TempDir dir;
  const std::string quoted = "'" + source + "'";
  int code = -1;
  const std::string saved = Vantor(trip.save + " --quiet " + quoted + " --save-state '" + (dir / "file") + "'", &code);
  ASSERT_EQ(code, 0) << saved;
  const std::string load = Replace(trip.load, "FILE", "'" + (dir / "FILE") + "'");
  const std::string scanned = Listing(quoted + " " + trip.scan, &code);
  ASSERT_GT(scanned.size(), 200u) << scanned;
  EXPECT_EQ(Listing(quoted + " " + load, &code), scanned);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Recovered(quoted + " " + load), Recovered(quoted + " " + trip.scan));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, StateFixturesRoundTrip, ::testing::ValuesIn(kTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) {
                           std::string name = info.param.what;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// A state is refused on another disk, and a scan's state is not a search's.
TEST(StateFixtures, AnotherDiskOrKindIsRefused) {
  test::TempDir dir;
  const std::string fat = "'" + test::FixturesDir() + "/fat/disk.vmdk'";
  int code = -1;
  Vantor("scan --quiet " + fat + " --save-state '" + (dir / "s") + "'", &code);
  ASSERT_EQ(code, 0);
  const std::string other = "'" + test::FixturesDir() + "/fat/onefat.vmdk'";
  EXPECT_NE(Vantor("scan " + other + " --state '" + (dir / "S.ST4") + "'", &code).find("You Have Selected Wrong Disk."),
            std::string::npos);
  EXPECT_EQ(code, 1);
  EXPECT_NE(Vantor("scan " + fat + " --state '" + (dir / "S.ST4") + "' --lost 1", &code).find("not a .ST4"),
            std::string::npos);
  EXPECT_EQ(code, 2);
}

}  // namespace
}  // namespace vantor
