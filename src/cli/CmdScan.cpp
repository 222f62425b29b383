// vantor scan SOURCE [-p N] [--json]: the normal scan of listed file system N
// (default 1). Prints the catalog, then the Step 3 report's size and counters.
#include <cstdio>
#include <iostream>

#include "cli/CatalogPrint.h"
#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/SourceSteps.h"
#include "cli/Usage.h"
#include "scan/RunScan.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

struct ScanOptions {
  bool json = false;
};

std::string TakeScanOptions(Arguments& args, ScanOptions& options) {
  Arguments rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      options.json = true;
    } else {
      rest.push_back(args[i]);
    }
  }
  args = rest;
  return {};
}

void WriteOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

}  // namespace

int ScanCommand(const Arguments& arguments) {
  const std::string usage = std::string("vantor scan SOURCE ") + kVolumeUsage + " [--json] [--save-state FILE] [--codepage N] [--ignore-cid] " + kHostOptionsUsage;
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nScans file system N (default 1, numbered as 'vantor partitions' lists them) for its\n"
                 "live and deleted folders and files. Prints one line per record: kind (D/F), deleted\n"
                 "(y/n), size, modified, created and accessed dates, and the path under Root, separated\n"
                 "by tabs; --json prints the same as one JSON array. Then the total size and the\n"
                 "numbers of folders and files found (on standard error with --json).\n"
                 "--save-state FILE writes the result to FILE.ST4 (its name upper-cased); --state FILE.ST4\n"
                 "loads such a result instead of scanning, --state FILE.ST2C --lost N a saved search.\n"
              << kCodePageHelp << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions hostOptions;
  ScanOptions scanOptions;
  VolumeChoice volume;
  uint16_t codePage = kDefaultOemCodePage;
  if (std::string problem = TakeHostOptions(args, hostOptions); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeCodePage(args, codePage); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeScanOptions(args, scanOptions); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeVolumeOptions(args, volume); !problem.empty()) return UsageError(usage, problem);
  const bool ignoreCid = TakeFlag(args, "--ignore-cid");
  std::string saveState;
  if (std::string problem = TakeValue(args, "--save-state", saveState); !problem.empty())
    return UsageError(usage, problem);
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "scan takes exactly one SOURCE");
  Session session;
  session.reader.virtualDisk.setIgnoreParentCid(ignoreCid);
  CliHost host(hostOptions);
  session.setHost(&host);
  session.state.oemCodePage = codePage;
  if (StepResult opened = OpenSource(session, args[0]); !opened.ok) return Failure(opened.message);
  if (StepResult chosen = ChooseVolume(session, args[0], volume); !chosen.ok)
    return Failure(chosen.message);
  ScanReport report = RunScan(session);
  host.finishProgress();
  if (!report.ok) return Failure(report.failure);
  if (Interrupted()) return kExitInterrupted;  // a part of the catalog is no answer
  if (!saveState.empty())
    if (StepResult saved = SaveSessionState(session, saveState, false, hostOptions.quiet); !saved.ok)
      return Failure(saved.message);
  const bool ntfs = session.state.fileSystem() == FileSystemKind::kNtfs;
  const auto fileSystem = static_cast<int16_t>(session.state.selectedFileSystem);
  if (scanOptions.json)
    CatalogJson(session.catalog, ntfs, fileSystem, WriteOut);
  else
    CatalogLines(session.catalog, ntfs, fileSystem, WriteOut);
  std::string summary;
  for (size_t i = report.lines.size() - 3; i < report.lines.size(); ++i) summary += report.lines[i] + "\n";
  if (scanOptions.json) {
    if (!hostOptions.quiet) std::fputs(summary.c_str(), stderr);
  } else {
    WriteOut(summary);
  }
  return std::fflush(stdout) == 0 ? kExitOk : Failure("cannot write to standard output");
}

}  // namespace vantor::cli
