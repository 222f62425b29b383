// vantor info SOURCE: the information lines that Step 1 shows for the source.
#include <iostream>

#include "cli/Commands.h"
#include "cli/Usage.h"
#include "disk/SourceSelection.h"
#include "disk/VirtualDisk.h"
#include "session/Session.h"

namespace vantor::cli {

int InfoCommand(const Arguments& args) {
  const std::string usage = "vantor info SOURCE";
  if (WantsHelp(args)) {
    std::cout << "usage: " << usage << "\n\nPrints the virtual disk's type, size and geometry as Step 1 shows them.\n";
    return kExitOk;
  }
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "info takes exactly one SOURCE");
  Session session;
  SourceChoice choice = ChooseSource(session, args[0]);
  if (!choice.ok) return Failure(choice.message);
  if (session.state.vmValid != 1) return Failure("not a VMware virtual disk: " + args[0]);
  for (const auto& line : session.reader.virtualDisk.InformationLines()) std::cout << line << "\n";
  const VirtualDiskDamage& damage = session.reader.virtualDisk.Damage();
  if (damage.sectorsBeyondFiles > 0)
    std::cout << "\nBeyond Its Files   : " << damage.sectorsBeyondFiles << " sectors read as zeros\n";
  for (const auto& file : damage.missingFiles) std::cout << "Missing Extent   : " << file << "\n";
  return kExitOk;
}

}  // namespace vantor::cli
