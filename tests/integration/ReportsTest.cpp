// What other tools read: `scan --json` (volume, records with booleans, ISO 8601
// UTC times and record numbers, totals), `scan --bodyfile` as mactime reads it,
// and the DFXML report of `recover --report`, whose names, sizes and hashes are
// those of the saved files and whose byte runs, read back from the source, give
// the same bytes.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "support/Recovered.h"

namespace vantor {
namespace {

using test::Shell;

std::string Sample() { return "'" + test::SourceDir() + "/samples/sample.vmdk'"; }
std::string Vantor() { return "'" + test::VantorBin() + "'"; }

TEST(Reports, ScanJsonAndBodyfile) {
  int code = -1;
  const std::string json = Shell(Vantor() + " scan --quiet --json " + Sample() + " -p 2", &code);
  ASSERT_EQ(code, 0);
  for (const char* expected :
       {"{\"volume\":{\"source\":", "\"fileSystem\":\"NTFS\",\"partition\":2,\"firstSector\":71680,\"endSector\":96256},",
        "\"folder\":false,\"deleted\":true,\"size\":2600,\"name\":\"Old budget 2022.csv\","
        "\"path\":\"Users/Anna/Documents/Old budget 2022.csv\"",
        "\"modified\":\"02-Jun-2023 09:10:11\",\"modifiedUtc\":\"2023-06-02T09:10:11Z\"",
        "\"folder\":true,\"deleted\":false", "\n\"totals\":{\"folders\":"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json.substr(0, 600);
  EXPECT_EQ(json.substr(json.size() - 3), "}}\n");

  test::TempDir dir;
  Shell(Vantor() + " scan --quiet --bodyfile " + Sample() + " -p 2 > '" + (dir / "body") + "'", &code);
  ASSERT_EQ(code, 0);
  const std::string timeline = Shell("TZ=UTC mactime -b '" + (dir / "body") + "' -d -y", &code);
  ASSERT_EQ(code, 0);
  for (const char* expected : {"2023-06-02T09:10:11Z,2600,ma..,r/rrwxrwxrwx,0,0,",
                               ",\"/Users/Anna/Documents/Old budget 2022.csv (deleted)\"\n",
                               "2023-05-05T12:00:05Z,5000,ma..,r/rrwxrwxrwx,0,0,", "d/drwxrwxrwx"})
    EXPECT_NE(timeline.find(expected), std::string::npos) << expected << "\n" << timeline.substr(0, 800);
}

struct FileObject {
  std::string name, sha256;
  uint64_t size = 0;
  std::vector<std::pair<uint64_t, uint64_t>> runs;  // image offset, length
};

// A reader that needs no schema: the fileobjects' elements by name.
std::vector<FileObject> FileObjects(const std::string& xml) {
  std::vector<FileObject> objects;
  const std::regex object("<fileobject>([\\s\\S]*?)</fileobject>"), name("<filename>(.*)</filename>"),
      size("<filesize>(\\d+)</filesize>"), hash("<hashdigest type='sha256'>([0-9a-f]{64})</hashdigest>"),
      run("<byte_run file_offset='\\d+' img_offset='(\\d+)' len='(\\d+)'/>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), object); it != std::sregex_iterator(); ++it) {
    const std::string body = (*it)[1];
    std::smatch m;
    FileObject o;
    if (std::regex_search(body, m, name)) o.name = m[1];
    if (std::regex_search(body, m, size)) o.size = std::stoull(m[1]);
    if (std::regex_search(body, m, hash)) o.sha256 = m[1];
    for (auto r = std::sregex_iterator(body.begin(), body.end(), run); r != std::sregex_iterator(); ++r)
      o.runs.emplace_back(std::stoull((*r)[1]), std::stoull((*r)[2]));
    objects.push_back(o);
  }
  return objects;
}

TEST(Reports, DfxmlNamesTheSavedFilesAndWhereTheyWereRead) {
  for (const char* partition : {"1", "2"}) {
    test::TempDir dir;
    int code = -1;
    const std::string said = Shell(Vantor() + " recover --quiet " + Sample() + " -p " + partition + " -o '" +
                                       (dir / "out") + "' --report '" + (dir / "report.xml") + "' 2>&1",
                                   &code);
    ASSERT_EQ(code, 0) << said;
    const std::vector<FileObject> objects = FileObjects(Shell("cat '" + (dir / "report.xml") + "'"));
    std::istringstream listing(
        Shell("cd '" + (dir / "out") + "' && find . -type f -print0 | xargs -0 sha256sum"));
    std::map<std::string, std::string> saved;
    for (std::string sha, path; listing >> sha && std::getline(listing >> std::ws, path);) saved[path.substr(2)] = sha;
    std::map<std::string, std::string> reported;
    int withRuns = 0;
    for (const FileObject& o : objects) {
      reported[o.name] = o.sha256;
      if (o.runs.empty()) continue;
      // The runs read back from the source give the file's bytes.
      std::string command = "{";
      for (const auto& [offset, length] : o.runs)
        command += " " + Vantor() + " read " + Sample() + " " + std::to_string(offset / 512) + " " +
                   std::to_string((length + 511) / 512) + " | head -c " + std::to_string(length) + ";";
      EXPECT_EQ(Shell(command + " } | sha256sum").substr(0, 64), o.sha256) << o.name;
      ++withRuns;
    }
    EXPECT_EQ(reported, saved) << "partition " << partition;
    EXPECT_GE(withRuns, 5) << "partition " << partition;
  }
}

}  // namespace
}  // namespace vantor
