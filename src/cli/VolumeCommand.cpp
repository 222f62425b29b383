#include "cli/VolumeCommand.h"

#include "cli/Interrupt.h"
#include "cli/Usage.h"
#include "session/Session.h"

namespace vantor::cli {

std::string TakeVolumeCommand(Arguments& args, VolumeCommand& command) {
  if (std::string problem = TakeHostOptions(args, command.host); !problem.empty()) return problem;
  if (std::string problem = TakeCodePage(args, command.codePage); !problem.empty()) return problem;
  if (std::string problem = TakeVolumeOptions(args, command.volume); !problem.empty()) return problem;
  command.ignoreCid = TakeFlag(args, "--ignore-cid");
  return {};
}

int OpenAndScan(Session& session, CliHost& host, const VolumeCommand& command, const std::string& source,
                ScanReport& report) {
  session.reader.virtualDisk.setIgnoreParentCid(command.ignoreCid);
  session.setHost(&host);
  session.state.oemCodePage = command.codePage;
  if (StepResult opened = OpenSource(session, source); !opened.ok) return Failure(opened.message);
  if (StepResult chosen = ChooseVolume(session, source, command.volume); !chosen.ok) return Failure(chosen.message);
  report = ScanVolume(session);
  host.finishProgress();
  if (!report.ok) return Failure(report.failure);
  if (Interrupted()) return kExitInterrupted;  // a part of the catalog is no answer
  return -1;
}

}  // namespace vantor::cli
