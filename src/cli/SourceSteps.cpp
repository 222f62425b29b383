#include "cli/SourceSteps.h"

#include "cli/Usage.h"
#include "disk/SourceSelection.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "partition/BootValues.h"
#include "partition/PartitionPanel.h"
#include "partition/PartitionTable.h"
#include "partition/VolumeSelection.h"
#include "platform/Utf.h"
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

std::string TakeVolumeOptions(Arguments& args, VolumeChoice& choice) {
  Arguments rest;
  bool partitionGiven = false, typeGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const size_t values = arg == "--range" ? 2 : arg == "-p" || arg == "--partition" || arg == "--fs" ? 1 : 0;
    if (i + values >= args.size() && values > 0) return arg + (values == 2 ? " needs FIRST and END" : " needs a value");
    if (arg == "-p" || arg == "--partition") {
      partitionGiven = true;
      if (std::string problem = ParsePartitionNumber(args[++i], choice.partition); !problem.empty()) return problem;
    } else if (arg == "--range") {
      choice.byRange = true;
      choice.range.startText = args[++i];
      choice.range.endText = args[++i];
    } else if (arg == "--fs") {
      typeGiven = true;
      choice.range.fileSystem = args[++i];
    } else {
      rest.push_back(arg);
    }
  }
  args = rest;
  if (choice.byRange && partitionGiven) return "choose either -p N or --range FIRST END";
  if (choice.byRange != typeGiven) return "--range FIRST END and --fs TYPE go together";
  return {};
}

StepResult ChooseVolume(Session& session, const std::string& source, const VolumeChoice& choice) {
  if (!choice.byRange) return ChoosePartition(session, source, choice.partition);
  const RangeInput& range = choice.range;
  if (std::string problem = AcceptPartitionRange(session.state, range); !problem.empty()) return {false, problem};
  session.state.selectedPartitionText = Utf8ToUtf16("Partition - 1 (" + range.fileSystem + " )");
  session.state.partitionSearch = 0;
  AppendLogSection(kActivityLog, "Step 2 (a) :", PartitionRangeLogLines(range, range.fileSystem));
  std::string refusal;
  if (ReadBootValues(session, &refusal) == 0)
    return {false, "no valid " + range.fileSystem + " boot sector at sector " + range.startText +
                       (refusal.empty() ? "" : ": " + refusal)};
  return {true, {}};
}

}  // namespace vantor::cli
