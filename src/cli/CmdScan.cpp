// vantor scan SOURCE [-p N] [--json | --bodyfile]: the normal scan of listed file system N
// (default 1). Prints the catalog, then the Step 3 report's size and counters.
#include <cstdio>
#include <iostream>

#include "cli/CatalogPrint.h"
#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/SourceSteps.h"
#include "cli/VolumeCommand.h"
#include "cli/Usage.h"
#include "platform/Utf.h"
#include "scan/RunScan.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

struct ScanOptions {
  bool json = false;
  bool bodyfile = false;
};

std::string TakeScanOptions(Arguments& args, ScanOptions& options) {
  options.json = TakeFlag(args, "--json");
  options.bodyfile = TakeFlag(args, "--bodyfile");
  return options.json && options.bodyfile ? "choose one of --json and --bodyfile" : std::string();
}

void WriteOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// {"volume":{...},"records":[...],"totals":{...}}, the records streamed. The
// volume's "partition" is the number -p chose (null for one chosen otherwise).
void WriteJson(const Session& session, const std::string& source, const VolumeChoice& volume) {
  const bool listed = !volume.byRange && volume.lostNumber == 0 && volume.stateFile.empty();
  const RecoveryState& state = session.state;
  const RecoveryCatalog& catalog = session.catalog;
  WriteOut("{\"volume\":{\"source\":" + JsonString(source) +
           ",\"fileSystem\":" + JsonString(Utf16ToUtf8(state.fileSystemName)) +
           ",\"partition\":" + (listed ? std::to_string(volume.partition) : std::string("null")) +
           ",\"firstSector\":" + std::to_string(state.startSector) +
           ",\"endSector\":" + std::to_string(state.endSector) + "},\n\"records\":");
  CatalogJson(catalog, state.fileSystem() == FileSystemKind::kNtfs, static_cast<int16_t>(state.selectedFileSystem),
              WriteOut);
  WriteOut(",\n\"totals\":{\"folders\":" + std::to_string(catalog.directoriesFound) +
           ",\"files\":" + std::to_string(catalog.filesFound) + ",\"bytes\":" + std::to_string(catalog.bytesTotal) +
           "}}\n");
}

}  // namespace

int ScanCommand(const Arguments& arguments) {
  const std::string usage = "vantor scan SOURCE " + kVolumeCommandUsage + " [--json | --bodyfile] [--save-state FILE]";
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nScans file system N (default 1, numbered as 'vantor partitions' lists them) for its\n"
                 "live and deleted folders and files. Prints one line per record: kind (D/F), deleted\n"
                 "(y/n), size, modified, created and accessed dates, and the path under Root, separated\n"
                 "by tabs. Then the total size and the numbers of folders and files found (on standard\n"
                 "error with --json and --bodyfile). --json prints one JSON object, written as the records\n"
                 "come: \"volume\" (source, file system, its number, first and end sector), \"records\" (each\n"
                 "with its record number (NTFS) or first cluster (FAT) and its parent's, booleans\n"
                 "\"folder\" and \"deleted\", size, name, path, and each date as shown and in ISO 8601\n"
                 "UTC, null when the stamp forms no time) and \"totals\". --bodyfile prints The Sleuth\n"
                 "Kit's body format (FAT's local times taken in this machine's zone) for 'mactime -b'.\n"
                 "--save-state FILE writes the result to FILE.ST4 (its name upper-cased); --state FILE.ST4\n"
                 "loads such a result instead of scanning, --state FILE.ST2C --lost N a saved search.\n"
              << kCodePageHelp << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  VolumeCommand command;
  ScanOptions scanOptions;
  if (std::string problem = TakeVolumeCommand(args, command); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeScanOptions(args, scanOptions); !problem.empty()) return UsageError(usage, problem);
  std::string saveState;
  if (std::string problem = TakeValue(args, "--save-state", saveState); !problem.empty())
    return UsageError(usage, problem);
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "scan takes exactly one SOURCE");
  if (!saveState.empty())
    if (std::string problem = StateTargetProblem(saveState, false); !problem.empty()) return Failure(problem);
  Session session;
  CliHost host(command.host);
  ScanReport report;
  if (int code = OpenAndScan(session, host, command, args[0], report); code >= 0) return code;
  if (!saveState.empty())
    if (StepResult saved = SaveSessionState(session, saveState, false, command.host.quiet); !saved.ok)
      return Failure(saved.message);
  const bool ntfs = session.state.fileSystem() == FileSystemKind::kNtfs;
  const auto fileSystem = static_cast<int16_t>(session.state.selectedFileSystem);
  if (scanOptions.json)
    WriteJson(session, args[0], command.volume);
  else if (scanOptions.bodyfile)
    CatalogBodyfile(session.catalog, ntfs, fileSystem, WriteOut);
  else
    CatalogLines(session.catalog, ntfs, fileSystem, WriteOut);
  std::string summary;
  for (size_t i = report.lines.size() - 3; i < report.lines.size(); ++i) summary += report.lines[i] + "\n";
  if (scanOptions.json || scanOptions.bodyfile) {
    if (!command.host.quiet) std::fputs(summary.c_str(), stderr);
  } else {
    WriteOut(summary);
  }
  return std::fflush(stdout) == 0 ? kExitOk : Failure("cannot write to standard output");
}

}  // namespace vantor::cli
