// What other tools read: `scan --json` (volume, records with booleans, ISO 8601
// UTC times and record numbers, totals), `scan --bodyfile` as mactime reads it,
// progress lines in a pipe, and the DFXML report of `recover --report`, whose names, sizes and hashes are
// those of the saved files and whose byte runs, read back from the source, give
// the same bytes.
#include <gtest/gtest.h>

#include <map>
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

TEST(Reports, PipedProgressNamesEachPhaseATenthAtATime) {
  test::TempDir dir;
  int code = -1;
  const std::string progress =
      Shell(Vantor() + " recover " + Sample() + " -p 1 -o '" + (dir / "out") + "' 2>&1 >/dev/null", &code);
  ASSERT_EQ(code, 0) << progress;
  for (const char* phase : {"Scanning folders: ", "Saving: "}) {
    std::istringstream lines(progress);
    int count = 0;
    bool whole = false;
    for (std::string line; std::getline(lines, line);)
      if (line.rfind(phase, 0) == 0) {
        ++count;
        whole = whole || line == std::string(phase) + "100%";
      }
    EXPECT_TRUE(whole && count <= 11) << phase << count << "\n" << progress;
  }
}

struct FileObject {
  std::string name, sha256;
  uint64_t size = 0;
  std::vector<std::pair<uint64_t, uint64_t>> runs;  // image offset, length
};

// The text from `open` to `close` after `from`; `from` moves past it. Empty
// when there is none.
std::string Between(const std::string& text, const std::string& open, const std::string& close, size_t& from) {
  const size_t start = text.find(open, from);
  const size_t end = start == std::string::npos ? start : text.find(close, start + open.size());
  if (end == std::string::npos) {
    from = std::string::npos;
    return {};
  }
  from = end + close.size();
  return text.substr(start + open.size(), end - start - open.size());
}

std::string Element(const std::string& text, const std::string& open, const std::string& close) {
  size_t from = 0;
  return Between(text, open, close, from);
}

// A reader that needs no schema: the fileobjects' elements by name.
std::vector<FileObject> FileObjects(const std::string& xml) {
  std::vector<FileObject> objects;
  for (size_t at = 0; at != std::string::npos;) {
    const std::string body = Between(xml, "<fileobject>", "</fileobject>", at);
    if (at == std::string::npos) break;
    FileObject o;
    o.name = Element(body, "<filename>", "</filename>");
    o.size = std::stoull(Element(body, "<filesize>", "</filesize>"));
    o.sha256 = Element(body, "<hashdigest type='sha256'>", "</hashdigest>");
    for (size_t run = 0; run != std::string::npos;) {
      const std::string attributes = Between(body, "<byte_run ", "/>", run);
      if (run == std::string::npos) break;
      o.runs.emplace_back(std::stoull(Element(attributes, "img_offset='", "'")),
                          std::stoull(Element(attributes, "len='", "'")));
    }
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
