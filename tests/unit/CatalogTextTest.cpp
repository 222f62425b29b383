#include <gtest/gtest.h>

#include "catalog/CatalogPaths.h"
#include "catalog/DateText.h"
#include "core/SizeText.h"

namespace vantor {
namespace {

TEST(CatalogTextTest, PathsFollowParentKeysAndEndOnLoopsAndMissingParents) {
  RecoveryCatalog catalog;
  RecordTimes t;
  catalog.AddFolder({.shortName = "A", .ownKey = 10, .times = t});
  catalog.AddFolder({.longName = u"b \u03A9", .parentKey = 10, .ownKey = 11, .times = t});
  catalog.AddFolder({.shortName = "X", .parentKey = 21, .ownKey = 20, .times = t});  // X and Y are each other's parent
  catalog.AddFolder({.shortName = "Y", .parentKey = 20, .ownKey = 21, .times = t});
  catalog.AddFolder({.shortName = "ORPHAN", .parentKey = 99, .ownKey = 30, .times = t});
  catalog.AddFolder({.shortName = "SELF", .parentKey = 40, .ownKey = 40, .times = t});
  catalog.AddFile({.shortName = "F.TXT", .size = 1, .parentKey = 11, .ownKey = 50, .times = t});
  catalog.AddFile({.shortName = "G.TXT", .size = 1, .parentKey = 21, .ownKey = 51, .times = t});
  catalog.AddFile({.shortName = "H.TXT", .size = 1, .ownKey = 52, .times = t});
  CatalogPaths paths(catalog, 0, 0);
  EXPECT_EQ(paths.FilePath(0), "A/b \xCE\xA9/F.TXT");
  EXPECT_EQ(paths.FilePath(1), "X/Y/G.TXT");
  EXPECT_EQ(paths.FolderPath(2), "Y/X");  // the loop is followed once round
  EXPECT_EQ(paths.FolderPath(4), "ORPHAN");
  EXPECT_EQ(paths.FolderPath(5), "SELF");
  EXPECT_EQ(paths.FilePath(2), "H.TXT");
}

TEST(CatalogTextTest, BrowserDatesAndSizeTexts) {
  const uint32_t date = (32 << 9) | (3 << 5) | 5, clock = (14 << 11) | (7 << 5) | 4;
  EXPECT_EQ(FatDateText({date, clock}), "05-Mar-2012 14:07");
  EXPECT_EQ(FatDateText({(32 << 9) | 5, (9 << 11) | (5 << 5)}), "05-Err-2012 09:05");
  EXPECT_EQ(FatDateText({(32 << 9) | (13 << 5) | 5, 0}), "05-Err-2012 00:00");
  // 2012-03-05 14:07:09 and 2012-03-05 09:05:03 as file times.
  const auto fileTime = [](uint64_t unixSeconds) {
    uint64_t units = (unixSeconds + 11644473600ull) * 10000000ull + 1234;
    return RecordTime{static_cast<uint32_t>(units), static_cast<uint32_t>(units >> 32)};
  };
  EXPECT_EQ(NtfsDateText(fileTime(1330956429)), "05-Mar-2012 14:07:09");
  EXPECT_EQ(NtfsDateText(fileTime(1330938303)), "05-Mar-2012 09:05:03");
  EXPECT_EQ(NtfsDateText({0, 0}), "01-Jan-1601 00:00:00");
  EXPECT_EQ(NtfsDateText({0, 0x80000000u}), "00-Err-0000 00:00:00");
  EXPECT_EQ(NtfsDateText({0xFFFFFFFFu, 0x7FFFFFFFu}), "14-Sep-30828 02:48:05");
  EXPECT_EQ(FatDateText({0xFFFF, 0xFFFF}), "31-Err-2107 31:63");
  EXPECT_EQ(MegaGigaText(1073741824), "1024.000 MB");
  EXPECT_EQ(MegaGigaText(1073741825), "1.000 GB");
}

}  // namespace
}  // namespace vantor
