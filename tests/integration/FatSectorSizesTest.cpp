// FAT volumes of 1024-, 2048- and 4096-byte logical sectors (4Kn disks, some
// flash media), made by mkfs.fat and filled by mtools: listed at their whole
// size, scanned, and their files saved byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

std::string Quote(const std::string& text) { return "'" + text + "'"; }

TEST(FatSectorSizes, ListedScannedAndSavedWhole) {
  if (std::system("command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null") != 0)
    GTEST_SKIP() << "mkfs.fat or mtools is not installed";
  struct Row {
    int sectorBytes;
    int fatBits;
    int mebibytes;
  };
  for (const Row& row : {Row{1024, 12, 8}, Row{2048, 16, 64}, Row{4096, 32, 400}}) {
    SCOPED_TRACE(row.sectorBytes);
    test::TempDir dir;
    const std::string image = dir / "volume.img", content = dir / "content.bin";
    {
      std::mt19937 random(static_cast<unsigned>(row.sectorBytes));
      std::ofstream out(content, std::ios::binary);
      for (int i = 0; i < 100'000; ++i) out.put(static_cast<char>(random()));
    }
    const std::string mtools = " -i " + Quote(image) + " ";
    ASSERT_EQ(std::system(("truncate -s " + std::to_string(row.mebibytes) + "M " + Quote(image) + " && mkfs.fat -S " +
                           std::to_string(row.sectorBytes) + " -F " + std::to_string(row.fatBits) + " " +
                           Quote(image) + " >/dev/null && mmd" + mtools + "::/outer ::/outer/inner && mcopy" + mtools +
                           Quote(content) + " ::/outer/inner/content.bin")
                              .c_str()),
              0);
    const std::string vantor = Quote(test::VantorBin());
    int code = -1;
    const std::string partitions = test::Shell(vantor + " partitions " + Quote(image) + " 2>&1", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(partitions.find("\t0\t" + std::to_string(row.mebibytes * 2048)), std::string::npos) << partitions;
    const std::string listing = test::Shell(vantor + " scan --quiet " + Quote(image) + " 2>&1", &code);
    EXPECT_EQ(code, 0) << listing;
    EXPECT_NE(listing.find("F\tn\t100000\t"), std::string::npos) << listing;
    EXPECT_NE(listing.find("\touter/inner/content.bin\n"), std::string::npos) << listing;
    const std::string out = dir / "out";
    const std::string report = test::Shell(vantor + " recover " + Quote(image) + " -o " + Quote(out) + " 2>&1", &code);
    EXPECT_EQ(code, 0) << report;
    EXPECT_EQ(test::ReadFile(out + "/outer/inner/content.bin"), test::ReadFile(content));
  }
}

}  // namespace
}  // namespace vantor
