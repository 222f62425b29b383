// vantor lost SOURCE --fs FAT12|FAT16|FAT32|NTFS [--range FIRST END] [--json]: the
// lost-partition search, listed as Step 2 (c) lists it.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/SourceSteps.h"
#include "cli/Usage.h"
#include "lost/FoundFileSystems.h"
#include "session/Session.h"

namespace vantor::cli {

int LostCommand(const Arguments& arguments) {
  const std::string usage =
      std::string("vantor lost SOURCE --fs FAT12|FAT16|FAT32|NTFS [--range FIRST END] [--json] [--save-state FILE] [--ignore-cid] ") +
      kHostOptionsUsage;
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nSearches the sectors FIRST to END (default: the whole source) for FAT boot sectors and\n"
                 "folders, or NTFS boot sectors, file records and index blocks, without trusting any\n"
                 "partition table, and lists the file systems they belong to, also those whose boot\n"
                 "sector is gone (a FAT one named by --fs). One line per file system:\n"
                 "\"File System N - NAME\", start sector, end sector and size, separated by tabs; --json\n"
                 "adds the sectors per cluster and the cluster base. Scan or recover one of them with\n"
                 "--lost N --fs TYPE, or save the search with --save-state FILE (FILE.ST2C, its name\n"
                 "upper-cased) and scan from it later with --state FILE.ST2C --lost N.\n"
              << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions hostOptions;
  VolumeChoice volume;
  if (std::string problem = TakeHostOptions(args, hostOptions); !problem.empty()) return UsageError(usage, problem);
  const bool json = TakeFlag(args, "--json");
  const bool ignoreCid = TakeFlag(args, "--ignore-cid");
  std::string saveState;
  if (std::string problem = TakeValue(args, "--save-state", saveState); !problem.empty())
    return UsageError(usage, problem);
  if (std::find(args.begin(), args.end(), "--fs") == args.end()) return UsageError(usage, "lost needs --fs TYPE");
  args.insert(args.end(), {"--lost", "1"});
  if (std::string problem = TakeVolumeOptions(args, volume); !problem.empty()) return UsageError(usage, problem);
  if (volume.exhaustive) return UsageError(usage, "unknown option --exhaustive");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "lost takes exactly one SOURCE");
  if (!saveState.empty())
    if (std::string problem = StateTargetProblem(saveState, true); !problem.empty()) return Failure(problem);
  Session session;
  session.reader.virtualDisk.setIgnoreParentCid(ignoreCid);
  CliHost host(hostOptions);
  session.setHost(&host);
  if (StepResult opened = OpenSource(session, args[0]); !opened.ok) return Failure(opened.message);
  StepResult searched = SearchLostFileSystems(session, args[0], volume);
  host.finishProgress();
  if (Interrupted()) return kExitInterrupted;
  if (!searched.ok) return Failure(searched.message);
  if (!saveState.empty())
    if (StepResult saved = SaveSessionState(session, saveState, true, hostOptions.quiet); !saved.ok)
      return Failure(saved.message);
  std::string out = json ? "[" : "";
  for (size_t i = 0; i < session.lostSearch.found.size(); ++i) {
    FoundDescription found;
    const auto number = static_cast<int32_t>(i + 1);
    DescribeFoundFileSystem(session, session.state, session.lostSearch, number, found);
    const std::string text = FoundFileSystemText(i + 1, found.name);
    if (json) {
      out += std::string(i == 0 ? "\n" : ",\n") + "{\"text\":\"" + text + "\",\"number\":" + std::to_string(number) +
             ",\"name\":\"" + found.name + "\",\"start\":" + std::to_string(found.startSector) +
             ",\"end\":" + std::to_string(found.endSector) + ",\"size\":\"" + found.sizeText +
             "\",\"sectorsPerCluster\":" + std::to_string(session.state.geometry.sectorsPerCluster) +
             ",\"clusterBase\":" + std::to_string(session.state.geometry.clusterBase) + "}";
    } else {
      out += text + "\t" + std::to_string(found.startSector) + "\t" + std::to_string(found.endSector) + "\t" +
             found.sizeText + "\n";
    }
  }
  if (json) out += "\n]\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : Failure("cannot write to standard output");
}

}  // namespace vantor::cli
