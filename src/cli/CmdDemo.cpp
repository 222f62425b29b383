// vantor demo [-o DIR]: recovers everything, deleted files included, from both
// file systems of the bundled sample disk into DIR/partition1 and DIR/partition2,
// lists what it wrote, and compares it with the sample's manifest: contents by
// sha256, last-write times (NTFS to the second; FAT, which keeps local minutes
// for saving, by its local fields to the minute), folders by their presence.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/RecoverSteps.h"
#include "core/Sha256.h"
#include "cli/Usage.h"
#include "save/SavingWorker.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

namespace fs = std::filesystem;

struct ManifestLine {
  std::string partition, fileSystem, kind, deleted, size, sha256, modified, recovery, listedAs;
};

std::string FindSample() {
  std::vector<std::string> candidates;
  if (const char* env = std::getenv("VANTOR_SAMPLE")) candidates.push_back(env);
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    candidates.push_back((exe.parent_path().parent_path() / "samples/sample.vmdk").string());
    candidates.push_back((exe.parent_path().parent_path() / "share/vantor/samples/sample.vmdk").string());  // installed
  }
  candidates.push_back("samples/sample.vmdk");
  for (const auto& path : candidates)
    if (fs::exists(path, error)) return path;
  return {};
}

std::vector<ManifestLine> ReadManifest(const std::string& path) {
  std::vector<ManifestLine> lines;
  std::ifstream in(path);
  std::string text;
  while (std::getline(in, text)) {
    if (text.empty() || text[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream row(text);
    for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
    if (fields.size() < 10) continue;
    lines.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[8], fields[9]});
  }
  return lines;
}

// "2023-01-09T08:00:00Z" as seconds since the epoch; -1 when it is not one.
int64_t ParseUtc(const std::string& text) {
  std::tm fields{};
  if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &fields.tm_year, &fields.tm_mon, &fields.tm_mday,
                  &fields.tm_hour, &fields.tm_min, &fields.tm_sec) != 6)
    return -1;
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  return static_cast<int64_t>(timegm(&fields));
}

bool TimeMatches(const ManifestLine& line, int64_t mtime) {
  int64_t expected = ParseUtc(line.modified);
  if (line.fileSystem == "NTFS") return mtime == expected;
  std::time_t saved = static_cast<std::time_t>(mtime), wanted = static_cast<std::time_t>(expected);
  std::tm local{}, utc{};
  localtime_r(&saved, &local);
  gmtime_r(&wanted, &utc);
  return local.tm_year == utc.tm_year && local.tm_mon == utc.tm_mon && local.tm_mday == utc.tm_mday &&
         local.tm_hour == utc.tm_hour && local.tm_min == utc.tm_min;
}

// Empty when the recovered item is as the manifest says, else what differs.
std::string Compare(const ManifestLine& line, const std::string& root) {
  std::string path = root + "/" + line.listedAs;
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return "missing";
  if (line.kind == "D") return S_ISDIR(info.st_mode) ? "" : "not a folder";
  if (!S_ISREG(info.st_mode)) return "not a file";
  if (std::to_string(info.st_size) != line.size) return "size " + std::to_string(info.st_size);
  if (FileSha256(path) != line.sha256) return "content differs";
  if (!TimeMatches(line, static_cast<int64_t>(info.st_mtime))) return "last-write time differs";
  return {};
}

void ListRecovered(const std::string& root) {
  std::vector<std::pair<std::string, uintmax_t>> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error))
    if (it->is_regular_file(error)) files.emplace_back(fs::relative(it->path(), root).string(), it->file_size(error));
  std::sort(files.begin(), files.end());
  for (const auto& [path, size] : files) std::printf("  %10ju  %s\n", size, path.c_str());
}

}  // namespace

int DemoCommand(const Arguments& arguments) {
  const std::string usage = "vantor demo [-o DIR] [--quiet]";
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nRecovers every folder and file, deleted ones included, from both file systems of the\n"
                 "bundled sample disk (samples/sample.vmdk; VANTOR_SAMPLE names another) into\n"
                 "DIR/partition1 and DIR/partition2 (default DIR: ./demo-recovered), lists what was\n"
                 "recovered and compares it with the sample's manifest.\n";
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions hostOptions;
  if (std::string problem = TakeHostOptions(args, hostOptions); !problem.empty()) return UsageError(usage, problem);
  std::string destination = "demo-recovered";
  for (size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "-o" || args[i] == "--output") && i + 1 < args.size()) destination = args[++i];
    else if (args[i].size() > 1 && args[i][0] == '-') return UsageError(usage, "unknown option " + args[i]);
    else return UsageError(usage, "unknown argument '" + args[i] + "'");
  }
  std::string sample = FindSample();
  if (sample.empty()) return Failure("the sample disk samples/sample.vmdk was not found");
  auto manifest = ReadManifest(fs::path(sample).parent_path().empty() ? "manifest.tsv"
                                                                      : (fs::path(sample).parent_path() / "manifest.tsv").string());
  std::cout << "Sample disk: " << sample << "\n";
  bool saved = true;
  for (size_t partition : {1, 2}) {
    RecoverOptions options;
    options.volume.partition = partition;
    options.destination = destination + "/partition" + std::to_string(partition);
    options.onExists = ReplaceAnswer::kReplaceAll;  // a second demo overwrites the first
    Session session;
    RecoverHost host(hostOptions, options);
    session.setHost(&host);
    RecoverResult result = RecoverPartition(session, sample, options);
    host.finishProgress();
    std::cout << "\nPartition " << partition << " into " << options.destination << ": "
              << (result.ok ? result.closing : result.failure.empty() ? "nothing was saved" : result.failure) << "\n";
    saved = saved && result.ok && result.closing == kSavingCompleted;
    if (result.ok) ListRecovered(options.destination);
  }
  size_t expected = 0;
  std::cout << "\nCompared with the manifest:\n";
  for (const auto& line : manifest) {
    std::string problem = Compare(line, destination + "/partition" + line.partition);
    expected += problem.empty() ? 1 : 0;
    std::cout << "  " << (problem.empty() ? "ok   " : "DIFF ") << line.partition << "  " << line.listedAs
              << (problem.empty() ? "" : "  (" + problem + ")") << "\n";
  }
  std::cout << expected << " of " << manifest.size() << " manifest entries recovered as recorded.\n";
  return saved && expected == manifest.size() && !manifest.empty() ? kExitOk : kExitFailed;
}

}  // namespace vantor::cli
