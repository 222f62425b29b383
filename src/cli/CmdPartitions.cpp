// vantor partitions SOURCE: the file systems that Step 2 lists, one per line: the
// tree text, then the panel's type, size, start sector and end sector (tabs).
#include <iostream>

#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/SourceSteps.h"
#include "cli/Usage.h"
#include "partition/PartitionPanel.h"
#include "partition/PartitionTable.h"
#include "session/Session.h"

namespace vantor::cli {

int PartitionsCommand(const Arguments& arguments) {
  const std::string usage = std::string("vantor partitions SOURCE [--ignore-cid] ") + kHostOptionsUsage;
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nLists the FAT and NTFS file systems of SOURCE, numbered as -p N takes them: one line\n"
                 "per file system with its name, type, size, start sector and end sector, separated by tabs;\n"
                 "a partition of a GUID partition table has its own name in a sixth column.\n"
              << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions options;
  if (std::string problem = TakeHostOptions(args, options); !problem.empty()) return UsageError(usage, problem);
  const bool ignoreCid = TakeFlag(args, "--ignore-cid");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "partitions takes exactly one SOURCE");
  Session session;
  session.reader.virtualDisk.setIgnoreParentCid(ignoreCid);
  CliHost host(options);
  session.setHost(&host);
  if (StepResult opened = OpenSource(session, args[0]); !opened.ok) return Failure(opened.message);
  if (ListPartitions(session, session.partitions) == 0) return Failure("no FAT or NTFS file system found on " + args[0]);
  for (const PartitionEntry& entry : session.partitions) {
    PartitionPanel panel = PanelValues(entry);
    std::cout << entry.treeText << '\t' << panel.partitionType << '\t' << panel.partitionSize << '\t'
              << panel.startSector << '\t' << panel.endSector;
    if (!entry.tableName.empty()) std::cout << '\t' << entry.tableName;
    std::cout << '\n';
  }
  return kExitOk;
}

}  // namespace vantor::cli
