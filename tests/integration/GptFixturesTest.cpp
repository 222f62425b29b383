// GUID partition tables made by sgdisk, raw and inside VMware disks (sparse and
// streamOptimized), with the
// primary table intact or zeroed: the partitions are listed where sgdisk put
// them, with their names, and every file saved from them is what icat gives
// from the raw disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/Shell.h"
#include "support/SleuthKit.h"
#include "support/TempDir.h"
#include "support/TestEnv.h"

namespace vantor {
namespace {

struct Part {
  std::string start, end, name;
};

std::string GptFixtures() {
  const std::string root = test::FixturesDir();
  const std::string script = test::SourceDir() + "/tests/fixtures/make-gpt-fixtures.sh";
  if (std::system(("VANTOR_FIXTURES='" + root + "' '" + script + "'").c_str()) != 0) return {};
  return std::filesystem::exists(root + "/gpt/layout.txt") ? root + "/gpt" : std::string();
}

std::vector<Part> Layout(const std::string& folder) {
  std::vector<Part> parts;
  std::ifstream in(folder + "/layout.txt");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Part part;
    fields >> part.start >> part.end;
    std::getline(fields >> std::ws, part.name);
    parts.push_back(part);
  }
  return parts;
}

TEST(GptFixtures, PartitionsAndFilesOfEveryCopy) {
  const std::string folder = GptFixtures();
  if (folder.empty()) GTEST_SKIP() << "GPT fixtures need root, FUSE, sgdisk and ntfs-3g";
  if (std::system("command -v icat >/dev/null") != 0) GTEST_SKIP() << "icat (sleuthkit) is not installed";
  const std::vector<Part> layout = Layout(folder);
  ASSERT_EQ(layout.size(), 3u);
  const std::string raw = folder + "/gpt.img";
  // The first MiB wiped (protective MBR, primary header and array): the copy
  // at the disk's end still names every partition.
  test::TempDir wiped;
  std::filesystem::copy_file(raw, wiped / "wiped.img");
  ASSERT_EQ(std::system(("dd if=/dev/zero of='" + wiped / "wiped.img" + "' bs=1M count=1 conv=notrunc status=none").c_str()),
            0);
  for (const std::string& name :
       std::vector<std::string>{"gpt.img", "gpt.vmdk", "stream.vmdk", "backup.img", "backup.vmdk", "wiped.img"}) {
    const std::string image = name == "wiped.img" ? wiped / name : folder + "/" + name;
    const std::string vantor = "'" + test::VantorBin() + "' ";
    std::istringstream lines(test::Shell(vantor + "partitions '" + image + "' 2>&1"));
    std::vector<std::string> listed;
    for (std::string line; std::getline(lines, line);) listed.push_back(line);
    const bool backup = name.rfind("backup", 0) == 0 || name == "wiped.img";
    ASSERT_EQ(listed.size(), layout.size() + (backup ? 1 : 0)) << name;
    if (backup) {
      EXPECT_NE(listed[0].find(name == "wiped.img" ? "The start of the disk is damaged: sector 0 holds no partition table"
                                                   : "its copy at the end of the disk was used"),
                std::string::npos)
          << name;
    }
    const char* kinds[] = {"FAT32", "NTFS", "FAT16"};
    for (size_t i = 0; i < layout.size(); ++i) {
      const std::string expected = "Partition - " + std::to_string(i + 1) + " ( " + kinds[i] + " )\t";
      const std::string& line = listed[i + (backup ? 1 : 0)];
      EXPECT_EQ(line.rfind(expected, 0), 0u) << name << ": " << line;
      const std::string tail = "\t" + layout[i].start + "\t" + layout[i].end + "\t" + layout[i].name;
      EXPECT_EQ(line.substr(line.size() - std::min(line.size(), tail.size())), tail) << name << ": " << line;

      test::TempDir out;
      int code = -1;
      const std::string report = test::Shell(vantor + "recover '" + image + "' -p " + std::to_string(i + 1) + " -o '" +
                                                 out.path() + "' 2>&1",
                                             &code);
      EXPECT_EQ(code, 0) << name << " -p " << i + 1 << "\n" << report;
      const auto files = test::FlsFiles(raw, layout[i].start);
      EXPECT_GE(files.size(), 2u) << name;
      for (const auto& [path, address] : files) {
        const std::string expectedBytes = test::IcatBytes(raw, layout[i].start, address);
        const std::vector<uint8_t> saved = test::ReadFile(out / path);
        EXPECT_TRUE(std::string(saved.begin(), saved.end()) == expectedBytes) << name << ": " << path;
      }
    }
  }
}

}  // namespace
}  // namespace vantor
