// vantor find SOURCE [VOLUME] PATTERN [filters] [--json]: the file search of
// Step 4 over a scan (or a saved one): one row per folder and file whose name
// fits PATTERN and that passes the filters.
#include <cstdio>
#include <iostream>

#include "browser/BuildFolderTree.h"
#include "browser/FileSearch.h"
#include "cli/CatalogPrint.h"
#include "cli/CliHost.h"
#include "cli/FilterOptions.h"
#include "cli/Interrupt.h"
#include "cli/VolumeCommand.h"
#include "cli/Usage.h"
#include "platform/Utf.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

constexpr const char* kFindHelp =
    "\n\nScans file system N (or loads a saved scan with --state) and lists its folders and files\n"
    "whose name fits PATTERN, letter case aside: a text without * or ? is found anywhere in\n"
    "the name (report finds Annual REPORT.doc); with ? alone the name must begin with it, ?\n"
    "standing for any one character (REP? finds REPORT); with * the whole name must fit, *\n"
    "standing for any run of characters (*.doc finds a.doc, not a.docx; REP* every name\n"
    "beginning with REP). * alone finds everything, *.* every name with a dot.\n"
    "--deleted include|exclude|only keeps deleted items too (the default), not, or only.\n"
    "--date KIND FROM TO keeps items whose created, modified or accessed day lies from FROM\n"
    "to TO (DD-MM-YYYY, both included; a TO before FROM finds nothing).\n"
    "--size LOW HIGH UNIT keeps files of LOW to HIGH units; folders are then not listed. A\n"
    "HIGH of 0 takes every size, and equal bounds take none.\n"
    "Prints one line per hit: type, path under Root (\"/\"-joined, as 'recover --select' and\n"
    "'cat' take it), size, the created, modified and accessed dates, and the id, separated\n"
    "by tabs; --json prints the same as one JSON array. The count follows on standard error.\n";

// A folder's hit path names the folder itself; a file's names its folder.
std::string FullPath(const SearchHit& hit) {
  if (hit.row.folder != nullptr) return hit.path;
  return hit.path.empty() ? hit.row.name : hit.path + "/" + hit.row.name;
}

std::string RowLine(const SearchHit& hit, const std::string& path) {
  const FileListRow& r = hit.row;
  return r.type + '\t' + Printable(path) + '\t' + r.size + '\t' + r.created + '\t' + r.modified + '\t' + r.accessed +
         '\t' + r.id + '\n';
}

std::string RowJson(const SearchHit& hit, const std::string& path) {
  const FileListRow& r = hit.row;
  return "{\"type\":" + JsonString(r.type) + ",\"name\":" + JsonString(r.name) + ",\"path\":" + JsonString(path) +
         ",\"size\":" + r.size + ",\"deleted\":" + (r.deleted ? "true" : "false") +
         ",\"created\":" + JsonString(r.created) + ",\"modified\":" + JsonString(r.modified) +
         ",\"accessed\":" + JsonString(r.accessed) + ",\"id\":" + r.id + "}";
}

}  // namespace

int FindCommand(const Arguments& arguments) {
  const std::string usage =
      "vantor find SOURCE " + kVolumeCommandUsage + " PATTERN " + kSearchFiltersUsage + " [--json]";
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage << kFindHelp << kCodePageHelp << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  VolumeCommand command;
  SearchQuery query;
  if (std::string problem = TakeVolumeCommand(args, command); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeSearchFilters(args, query); !problem.empty()) return UsageError(usage, problem);
  const bool json = TakeFlag(args, "--json");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 2) return UsageError(usage, "find takes a SOURCE and a PATTERN");
  query.pattern = Utf8ToUtf16(args[1]);
  if (query.pattern.empty()) return UsageError(usage, "the PATTERN is empty");
  Session session;
  CliHost host(command.host);
  ScanReport report;
  if (int code = OpenAndScan(session, host, command, args[0], report); code >= 0) return code;
  host.beginPhase("Building the folder tree");
  BuildFolderTree(session);
  host.beginPhase("Searching names");
  bool first = true;
  if (json) std::fputs("[", stdout);
  const uint64_t count = RunFileSearch(session, query, '/', [&](SearchHit&& hit) {
    const std::string path = FullPath(hit);
    const std::string text = json ? (first ? "\n" : ",\n") + RowJson(hit, path) : RowLine(hit, path);
    std::fwrite(text.data(), 1, text.size(), stdout);
    first = false;
  });
  host.finishProgress();
  if (json) std::fputs("\n]\n", stdout);
  if (Interrupted()) return kExitInterrupted;
  if (!command.host.quiet) std::fprintf(stderr, "Search String Found Count : %llu\n", static_cast<unsigned long long>(count));
  return std::fflush(stdout) == 0 ? kExitOk : Failure("cannot write to standard output");
}

}  // namespace vantor::cli
