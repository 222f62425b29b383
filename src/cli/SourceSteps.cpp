#include "cli/SourceSteps.h"

#include "disk/SourceSelection.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "partition/BootValues.h"
#include "partition/PartitionPanel.h"
#include "partition/PartitionTable.h"
#include "partition/VolumeSelection.h"
#include "session/Session.h"

namespace vantor::cli {

StepResult OpenSource(Session& session, const std::string& source) {
  LogRunStart(session.startTime, kActivityLog);
  SourceChoice choice = ChooseSource(session, source);
  if (!choice.ok) return {false, choice.message};
  if (!choice.message.empty()) session.host().messageInfo(choice.message);
  if (std::string warning = VirtualDiskWarning(session); !warning.empty()) session.host().messageInfo(warning);
  std::vector<std::string> lines{"Device Information : "};
  if (session.state.vmValid == 1)
    for (const auto& line : session.reader.virtualDisk.InformationLines()) lines.push_back(line);
  AppendLogSection(kActivityLog, session.state.exhaustiveChosen == 1 ? "Step 1 : Exhaustive Recovery" : "Step 1 : Vantor",
                   lines);
  return {true, {}};
}

StepResult ChoosePartition(Session& session, const std::string& source, size_t number) {
  size_t count = ListPartitions(session, session.partitions);
  if (count == 0) return {false, "no FAT or NTFS file system found on " + source};
  if (number == 0 || number > count)
    return {false, "partition " + std::to_string(number) + " does not exist: " + source + " lists " +
                       std::to_string(count) + " file system" + (count == 1 ? "" : "s")};
  const PartitionEntry& entry = session.partitions[number - 1];
  const std::string& name = entry.fileSystemName;
  switch (SelectVolume(session.state, entry)) {
    case VolumeRefusal::kUnknownType:
      return {false, "partition " + std::to_string(number) + " is " + name + ", not FAT or NTFS"};
    case VolumeRefusal::kEmptyRange: return {false, "End sector should be bigger than Start sector"};
    case VolumeRefusal::kNone: break;
  }
  AppendLogSection(kActivityLog, "Step 2 :", Step2LogLines(entry, false));
  std::string refusal;
  if (ReadBootValues(session, &refusal) == 0)
    return {false, "the boot sector of partition " + std::to_string(number) + " (" + name + ") is not valid" +
                       (refusal.empty() ? "" : ": " + refusal)};
  return {true, {}};
}

}  // namespace vantor::cli
