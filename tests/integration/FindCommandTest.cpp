// `vantor find`, `vantor cat` and the saving filter's options of `recover` on the
// bundled sample disk (FAT32 and NTFS), checked against its manifest.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "support/Recovered.h"

namespace vantor {
namespace {

using test::Shell;
using test::Vantor;
using Paths = std::set<std::string>;

std::string Sample() { return "'" + test::SourceDir() + "/samples/sample.vmdk'"; }

// The path column of `vantor find --quiet ARGUMENTS`.
Paths Found(const std::string& arguments) {
  int code = -1;
  std::istringstream lines(Shell("'" + test::VantorBin() + "' find --quiet " + arguments, &code));
  EXPECT_EQ(code, 0) << arguments;
  Paths paths;
  for (std::string type, path; std::getline(lines, type, '\t') && std::getline(lines, path, '\t');) {
    paths.insert(path);
    lines.ignore(1 << 20, '\n');
  }
  return paths;
}

Paths SavedFiles(const std::string& arguments) {
  test::TempDir out;
  int code = -1;
  const std::string report = Vantor("recover " + Sample() + " " + arguments + " --quiet -o '" + out.path() + "'", &code);
  EXPECT_EQ(code, 0) << arguments << "\n" << report;
  std::istringstream lines(Shell("cd '" + out.path() + "' && find . -type f | sort"));
  Paths paths;
  for (std::string path; std::getline(lines, path);) paths.insert(path.substr(2));
  return paths;
}

TEST(FindCommand, FindsOverAScanAndOverItsSavedStateAlike) {
  const struct {
    std::string arguments;
    Paths found;
  } cases[] = {
      {"-p 1 '*.csv'", {"Old Projects/_UDGET.CSV"}},
      {"-p 1 sketch", {"Old Projects/Sketches"}},
      {"-p 1 '*' --size 1 2 KB", {"Documents/_LDLOG.TXT", "Old Projects/Meeting minutes.txt"}},
      {"-p 1 '*.txt' --deleted exclude --date modified 13-01-2023 31-03-2023",
       {"Documents/Reports/NOTES.TXT", "Documents/Reports/2023/Quarterly summary.txt"}},
      {"-p 1 '*' --date created 31-12-2030 01-01-1970", {}},
      {"-p 2 BUDGET", {"Users/Anna/Documents/Budget 2023.csv", "Users/Anna/Documents/Old budget 2022.csv"}},
      {"-p 2 'old*' --deleted only", {"Users/Anna/Documents/Old budget 2022.csv"}},
      {"-p 2 'bud*'", {"Users/Anna/Documents/Budget 2023.csv"}},  // not Old budget: * fits whole names
  };
  for (const auto& c : cases) EXPECT_EQ(Found(Sample() + " " + c.arguments), c.found) << c.arguments;

  test::TempDir dir;
  int code = -1;
  Vantor("scan --quiet " + Sample() + " -p 2 --save-state '" + (dir / "anna") + "'", &code);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(Found(Sample() + " --state '" + (dir / "ANNA.ST4") + "' '*'"), Found(Sample() + " -p 2 '*'"));
  const std::string json = Shell("'" + test::VantorBin() + "' find --quiet " + Sample() + " -p 2 todo --json");
  EXPECT_NE(json.find("\"path\":\"Users/Anna/todo.txt\",\"size\":120,\"deleted\":true"), std::string::npos) << json;
}

TEST(FindCommand, CatWritesEachFileAsTheManifestHasIt) {
  std::ifstream manifest(test::SourceDir() + "/samples/manifest.tsv");
  int checked = 0;
  for (std::string line; std::getline(manifest, line);) {
    std::vector<std::string> field;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) field.push_back(cell);
    if (line[0] == '#' || field.size() < 10 || field[2] != "F" || field[8] == "listed") continue;
    const std::string sha =
        Shell("'" + test::VantorBin() + "' cat " + Sample() + " -p " + field[0] + " '" + field[9] + "' | sha256sum");
    EXPECT_EQ(sha.substr(0, 64), field[5]) << field[9];
    ++checked;
  }
  EXPECT_GE(checked, 15);
  int code = -1;
  EXPECT_NE(Vantor("cat " + Sample() + " Documents", &code).find("'Documents' is a folder"), std::string::npos);
  EXPECT_EQ(code, 1);
}

TEST(FindCommand, RecoverTakesTheSavingFilter) {
  EXPECT_EQ(SavedFiles("-p 1 --extensions txt,csv --deleted-mode only --modified 05-04-2023 08-04-2023"),
            (Paths{"Old Projects/_UDGET.CSV", "Old Projects/Meeting minutes.txt", "Old Projects/Sketches/Idea one.txt"}));
  EXPECT_EQ(SavedFiles("-p 1 --select Documents --select 'Old Projects' --invert-selection"),
            (Paths{"README.TXT", "Media files/Gradient image.bmp", "Media files/BYTES.BIN"}));
  const struct {
    std::string arguments, message;
  } refused[] = {
      {"--extensions doc,jpegs", "Extension should not exceed more than 4 characters."},
      {"--extensions 'd c'", "Extension should not contain blank space."},
      {"--extensions .txt", "Do not include \".\" (DOT) in extension."},
      {"--extensions 't*'", "Do not include \"*\" in extension."},
      {"--extensions doc,DOC", "This extension already exist. Enter different extension."},
      {"--modified 08-04-2023 05-04-2023", "08-04-2023 is after 05-04-2023"},
      {"--created 2023-04-05 08-04-2023", "not a day DD-MM-YYYY"},
      {"--deleted-only --deleted-mode exclude", "goes with no other --deleted-mode"},
      {"--fat-chain fat3", "--fat-chain takes auto, fat1, fat2 or contiguous"},
  };
  for (const auto& r : refused) {
    int code = -1;
    const std::string said = Vantor("recover " + Sample() + " -o /nonexistent/x " + r.arguments, &code);
    EXPECT_EQ(code, 2) << r.arguments;
    EXPECT_NE(said.find(r.message), std::string::npos) << r.arguments << "\n" << said;
  }
}

}  // namespace
}  // namespace vantor
