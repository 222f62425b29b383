// `vantor scan` and `vantor recover` over FAT volumes built byte by byte with
// what a damaged or hostile volume holds: long names with characters no name
// may hold or that belong to another entry, a size past the volume's end,
// hundreds of files of one name, folders without files, and a chain of folders whose path is longer
// than the system takes in one call. Every file is listed, and either saved or
// named in the report; the closing line and the exit code say which.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "support/FatImage.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::FatImage16;
using test::MemoryDisk;

constexpr uint32_t kPerCluster = 4;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Short entry `name` (11 bytes) holding `content` in its own cluster.
void PutFile(FatImage16& fat, MemoryDisk& disk, uint64_t sector, unsigned index, const char* name, uint32_t cluster,
             const std::string& content) {
  fat.Entry(sector, index, name, 0x20, cluster, static_cast<uint32_t>(content.size()));
  disk.Put(fat.ClusterSector(cluster), reinterpret_cast<const uint8_t*>(content.data()), content.size());
  fat.Link(cluster, 0xFFFF);
}

// The file at `relative` below `root`, read through its folders one at a time:
// the whole path may be too long to open.
std::string ReadBelow(const std::string& root, const std::string& relative) {
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (size_t at = 0; fd >= 0;) {
    const size_t slash = relative.find('/', at);
    const std::string name = relative.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    const int next = ::openat(fd, name.c_str(), slash == std::string::npos ? O_RDONLY : O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    if (slash == std::string::npos) break;
    at = slash + 1;
  }
  std::string content;
  char buffer[4096];
  for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;) content.append(buffer, static_cast<size_t>(got));
  if (fd >= 0) ::close(fd);
  return content;
}

struct HostileCase {
  const char* what;
  std::function<void(FatImage16&, MemoryDisk&)> build;
  std::vector<std::string> listed;  // paths the scan must list (a file's last line)
  size_t filesSaved;                // regular files below the destination afterwards
  std::string savedPath;            // one of them, with its content (with none, a folder made)
  std::string savedContent;
  bool completes;                   // "Saving completed successfully." and exit 0
  std::string reported;             // a line the report must hold
};

// A folder chain of `depth` levels, each named by a long name of 100 letters (as long as a folder of the tree is named).
void DeepChain(FatImage16& fat, MemoryDisk& disk, int depth) {
  uint64_t sector = fat.RootSector(0);
  unsigned index = 0;
  uint32_t parent = 0;
  for (int level = 0; level < depth; ++level) {
    const auto cluster = static_cast<uint32_t>(2 + level);
    const std::string number = std::to_string(level);
    const std::string shortName = "D" + std::string(5 - number.size(), '0') + number + "     ";
    auto [at, slot] = fat.LongName(sector, index, std::u16string(100, static_cast<char16_t>(u'a' + level % 26)),
                                   shortName.c_str());
    fat.Entry(at, slot, shortName.c_str(), 0x10, cluster);
    fat.Link(cluster, 0xFFFF);
    fat.DotEntries(cluster, parent);
    parent = cluster;
    sector = fat.ClusterSector(cluster);
    index = 2;
  }
  PutFile(fat, disk, sector, index, "BOTTOM  TXT", 900, "at the bottom");
}

TEST(HostileVolumes, EveryFileListedAndSavedOrReported) {
  const std::string deepPath = [] {
    std::string path;
    for (int level = 0; level < 60; ++level) path += std::string(100, static_cast<char>('a' + level % 26)) + "/";
    return path + "BOTTOM.TXT";
  }();
  ASSERT_GT(deepPath.size(), size_t{PATH_MAX});
  const HostileCase cases[] = {
      {"a long name holding a slash, a tab and a unit 1",
       [](FatImage16& fat, MemoryDisk& disk) {
         auto [at, slot] = fat.LongName(fat.RootSector(0), 0, u"a/b\tc\x01.txt", "ODD     TXT");
         PutFile(fat, disk, at, slot, "ODD     TXT", 2, "odd");
       },
       {"a_b_c_.txt"}, 1, "a_b_c_.txt", "odd", true, ""},
      {"long-name entries of another short entry",
       [](FatImage16& fat, MemoryDisk& disk) {
         auto [at, slot] = fat.LongName(fat.RootSector(0), 0, u"someone else.txt", "SOMEON~1TXT");
         PutFile(fat, disk, at, slot, "OWN     TXT", 2, "own");
       },
       {"OWN.TXT"}, 1, "OWN.TXT", "own", true, ""},
      {"a size past the volume's end",
       [](FatImage16& fat, MemoryDisk& disk) {
         PutFile(fat, disk, fat.RootSector(0), 0, "BIG     BIN", 1000, "big");
         fat.Entry(fat.RootSector(0), 0, "BIG     BIN", 0x20, 1000, 0x7FFFFFFF);
         PutFile(fat, disk, fat.RootSector(0), 1, "FINE    TXT", 3, "fine");
       },
       {"BIG.BIN", "FINE.TXT"}, 2, "FINE.TXT", "fine", false, "Damaged : "},
      {"300 files of one name",
       [](FatImage16& fat, MemoryDisk& disk) {
         fat.Entry(fat.RootSector(0), 0, "SAME       ", 0x10, 2);
         const uint32_t folder[] = {2, 3, 4, 5, 6};  // 320 entries
         for (size_t i = 0; i < 5; ++i) fat.Link(folder[i], i + 1 < 5 ? static_cast<uint16_t>(folder[i + 1]) : 0xFFFF);
         fat.DotEntries(2, 0);
         for (unsigned n = 0; n < 300; ++n) {
           const unsigned slot = n + 2;
           const uint64_t sector = fat.ClusterSector(folder[slot / 64]) + (slot % 64) / 16;
           PutFile(fat, disk, sector, slot % 16, "SAME    TXT", 10 + n, "copy " + std::to_string(n));
         }
       },
       {"SAME/SAME.TXT", "SAME/SAME.TXT"}, 300, "SAME/SAME298.TXT", "copy 299", true, ""},
      {"folders and no file: the folders are what is recovered",
       [](FatImage16& fat, MemoryDisk&) {
         fat.Entry(fat.RootSector(0), 0, "EMPTY      ", 0x10, 2);
         fat.Link(2, 0xFFFF);
         fat.DotEntries(2, 0);
         fat.Entry(fat.ClusterSector(2), 2, "INNER      ", 0x10, 3);
         fat.Link(3, 0xFFFF);
         fat.DotEntries(3, 2);
       },
       {"EMPTY/INNER"}, 0, "EMPTY/INNER", "", true, ""},
      {"60 folders of 100-letter names, deeper than a path may be",
       [](FatImage16& fat, MemoryDisk& disk) { DeepChain(fat, disk, 60); }, {deepPath}, 1, deepPath, "at the bottom",
       true, ""},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    MemoryDisk disk;
    FatImage16 fat(disk, 0, kPerCluster);
    c.build(fat, disk);
    const std::string image = dir / "volume.img";
    {
      std::ofstream out(image, std::ios::binary);
      for (const auto& [number, bytes] : disk.sectors) {
        out.seekp(static_cast<std::streamoff>(number * 512));
        out.write(reinterpret_cast<const char*>(bytes.data()), 512);
      }
      out.seekp(4096 * 512 - 1);
      out.put('\0');
    }
    const std::string environment = "XDG_DATA_HOME=" + Quote(dir / "data") + " VANTOR_CONFIG_DIR=" +
                                    Quote(dir / "config") + " " + Quote(test::VantorBin());
    int code = -1;
    const std::string listing = test::Shell(environment + " scan --quiet " + Quote(image) + " 2>&1", &code);
    EXPECT_EQ(code, 0) << listing.substr(0, 2000);
    for (const std::string& path : c.listed)
      EXPECT_NE(listing.find("\t" + path + "\n"), std::string::npos) << path << "\n" << listing.substr(0, 2000);
    const std::string out = dir / "out";
    const std::string report =
        test::Shell(environment + " recover " + Quote(image) + " --all --on-exists rename -o " + Quote(out) + " 2>&1",
                    &code);
    EXPECT_EQ(code, c.completes ? 0 : 1) << report.substr(0, 2000);
    EXPECT_EQ(report.find("Saving completed successfully.") != std::string::npos, c.completes) << report.substr(0, 2000);
    if (!c.reported.empty()) {
      EXPECT_NE(report.find(c.reported), std::string::npos) << report.substr(0, 2000);
    }
    size_t files = 0;
    if (fs::exists(out))
      for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) ++files;
    EXPECT_EQ(files, c.filesSaved);
    if (c.filesSaved == 0)
      EXPECT_TRUE(fs::is_directory(out + "/" + c.savedPath));
    else
      EXPECT_EQ(ReadBelow(out, c.savedPath), c.savedContent);
  }
}

}  // namespace
}  // namespace vantor
