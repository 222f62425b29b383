#include "cli/SourceSteps.h"

#include <cstdio>

#include "cli/Usage.h"
#include "disk/SourceSelection.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "platform/Folders.h"
#include "platform/OutputFolder.h"
#include "lost/FoundFileSystems.h"
#include "partition/BootValues.h"
#include "partition/PartitionPanel.h"
#include "partition/PartitionTable.h"
#include "partition/VolumeSelection.h"
#include "platform/Utf.h"
#include "scan/RunScan.h"
#include "session/Session.h"
#include "state/SearchState.h"

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
      if (name == "exFAT") return {false, "partition " + std::to_string(number) + " is exFAT: exFAT is not supported"};
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
    const size_t values = arg == "--range" ? 2
                          : arg == "-p" || arg == "--partition" || arg == "--fs" || arg == "--lost" || arg == "--state"
                              ? 1
                              : 0;
    if (i + values >= args.size() && values > 0) return arg + (values == 2 ? " needs FIRST and END" : " needs a value");
    if (arg == "-p" || arg == "--partition") {
      partitionGiven = true;
      if (std::string problem = ParsePartitionNumber(args[++i], choice.partition); !problem.empty()) return problem;
    } else if (arg == "--lost") {
      if (std::string problem = ParsePartitionNumber(args[++i], choice.lostNumber); !problem.empty()) return problem;
      if (choice.lostNumber == 0) return "file systems of a search are numbered from 1";
    } else if (arg == "--range") {
      choice.byRange = true;
      choice.range.startText = args[++i];
      choice.range.endText = args[++i];
    } else if (arg == "--fs") {
      typeGiven = true;
      choice.range.fileSystem = args[++i];
    } else if (arg == "--state") {
      choice.stateFile = args[++i];
    } else if (arg == "--exhaustive") {
      choice.exhaustive = true;
    } else {
      rest.push_back(arg);
    }
  }
  args = rest;
  if ((choice.byRange || choice.lostNumber != 0) && partitionGiven) return "choose one of -p N, --range and --lost";
  if (!choice.stateFile.empty()) {
    StateKind kind = StateKind::kScan;
    if (!StateKindOf(choice.stateFile, kind)) return "--state takes a saved .ST4 or .ST2C file";
    if (partitionGiven || choice.byRange || typeGiven || choice.exhaustive)
      return "--state takes the volume from the saved file: no -p, --range, --fs or --exhaustive";
    if (kind == StateKind::kSearch && choice.lostNumber == 0) return "--state FILE.ST2C needs --lost N";
    if (kind == StateKind::kScan && choice.lostNumber != 0) return "--lost N goes with a .ST2C file, not a .ST4";
    return {};
  }
  if (choice.lostNumber != 0) {
    if (!typeGiven) return "--lost N needs --fs TYPE";
    const std::string& type = choice.range.fileSystem;
    if (type != "FAT12" && type != "FAT16" && type != "FAT32" && type != "NTFS")
      return "the lost-partition search looks for FAT12, FAT16, FAT32 or NTFS, not '" + type + "'";
    return {};
  }
  if (choice.byRange != typeGiven) return "--range FIRST END and --fs TYPE go together";
  return {};
}

namespace {

StepResult ChooseRange(Session& session, const std::string& source, const VolumeChoice& choice) {
  const RangeInput& range = choice.range;
  if (std::string problem = AcceptPartitionRange(session.state, range); !problem.empty()) return {false, problem};
  session.state.selectedPartitionText = Utf8ToUtf16("Partition - 1 (" + range.fileSystem + " )");
  session.state.partitionSearch = 0;
  AppendLogSection(kActivityLog, "Step 2 (a) :", PartitionRangeLogLines(range, range.fileSystem));
  std::string refusal;
  if (ReadBootValues(session, &refusal) == 0)
    return {false, "no valid " + range.fileSystem + " boot sector at sector " + range.startText +
                       (refusal.empty() ? "" : ": " + refusal) +
                       "; to search the range for the file system: vantor lost '" + source + "' --fs " +
                       range.fileSystem + " --range " + range.startText + " " + range.endText};
  return {true, {}};
}

// File system `choice.lostNumber` of the search just made or loaded.
StepResult PickFound(Session& session, const VolumeChoice& choice) {
  const size_t count = session.lostSearch.found.size();
  if (choice.lostNumber > count)
    return {false, "file system " + std::to_string(choice.lostNumber) + " does not exist: the search found " +
                       std::to_string(count)};
  const auto number = static_cast<int32_t>(choice.lostNumber);
  const std::string text = FoundFileSystemText(choice.lostNumber, session.lostSearch.found[choice.lostNumber - 1].name);
  session.state.selectedPartitionText = Utf8ToUtf16(text);
  session.state.selectedFileSystem = number;
  AppendLog(kActivityLog, "Selected File System : " + text);
  FoundDescription description;
  DescribeFoundFileSystem(session, session.state, session.lostSearch, number, description);
  return {true, {}};
}

StepResult ChooseFound(Session& session, const std::string& source, const VolumeChoice& choice) {
  if (StepResult searched = SearchLostFileSystems(session, source, choice); !searched.ok) return searched;
  return PickFound(session, choice);
}

StepResult ChooseSaved(Session& session, const VolumeChoice& choice) {
  const StateSource current = CurrentStateSource(session.state, session.reader);
  if (std::string problem = LoadStateHeader(choice.stateFile, current, session.state, session.lostSearch);
      !problem.empty())
    return {false, problem};
  if (choice.lostNumber == 0) return {true, {}};
  ScanReport report = ScanVolume(session);
  if (!report.ok) return {false, report.failure};
  if (session.lostSearch.found.empty()) return {false, kNoFileSystemsText};
  AppendLogSection(kActivityLog, "Step 2 (c) :", FoundFileSystemLogLines(session.lostSearch));
  return PickFound(session, choice);
}

}  // namespace

ScanReport ScanVolume(Session& session) {
  const RecoveryState& state = session.state;
  const uint64_t bytes = state.endSector > state.startSector ? (state.endSector - state.startSector) * 512 : 0;
  if (state.stateLoaded != 0)
    session.host().beginPhase("Reading the saved scan");
  else if (state.partitionSearch != 0 && state.searchPass == 0)
    session.host().beginPhase("Searching for file systems", bytes);
  else if (state.exhaustiveSwitch != 0)
    session.host().beginPhase("Scanning sectors", bytes);
  else
    session.host().beginPhase("Scanning folders");
  ScanReport report = RunScan(session);
  // Not a folder, not a file: the volume was formatted again with another
  // cluster size, or the boot sector read is not this volume's own. The search
  // finds the file systems that its folders describe.
  const RecoveryCatalog& catalog = session.catalog;
  if (report.ok && state.exhaustiveSwitch == 1 && state.partitionSearch == 0 && catalog.filesFound == 0 &&
      catalog.directoriesFound <= 1 && !session.host().stopRequested())
    session.host().messageInfo("Nothing was found, also by the exhaustive scan. To search the disk for the "
                               "file systems that its folders still describe: vantor lost SOURCE --fs " +
                               Utf16ToUtf8(state.fileSystemName));
  return report;
}

std::string StateTargetProblem(const std::string& typed, bool search) {
  const std::string path = StatePath(typed, search ? StateKind::kSearch : StateKind::kScan);
  if (path.empty()) return search ? kStep2cStatePathText : kStep4StatePathText;
  const std::string folder = FolderPart(path).empty() ? "." : FolderPart(path);
  std::string problem;
  if (OpenDestination(folder, {}, problem) == nullptr) return "cannot write the state " + path + ": " + problem;
  return {};
}

StepResult SaveSessionState(Session& session, const std::string& typed, bool search, bool quiet) {
  const StateKind kind = search ? StateKind::kSearch : StateKind::kScan;
  const std::string path = StatePath(typed, kind);
  if (path.empty()) return {false, search ? kStep2cStatePathText : kStep4StatePathText};
  if (std::string problem = SaveState(path, kind, CurrentStateSource(session.state, session.reader), session.state,
                                      session.lostSearch, session.catalog, SourcePaths(session.reader));
      !problem.empty())
    return {false, problem + " (" + path + ")"};
  if (!quiet) std::fprintf(stderr, "saved state: %s\n", path.c_str());
  return {true, {}};
}

StepResult SearchLostFileSystems(Session& session, const std::string& source, const VolumeChoice& choice) {
  RangeInput range = choice.range;
  if (range.startText.empty()) {
    const uint64_t sectors = session.reader.sourceSectors();
    if (sectors == 0) return {false, "cannot tell the size of " + source + ": give the range with --range FIRST END"};
    range.startText = "0";
    range.endText = std::to_string(sectors);
  }
  RecoveryState& state = session.state;
  if (std::string problem = AcceptPartitionRange(state, range); !problem.empty()) return {false, problem};
  state.partitionSearch = 1;
  state.searchPass = 0;
  state.exhaustiveSwitch = 0;
  AppendLogSection(kActivityLog, "Step 2 (a) :", PartitionRangeLogLines(range, range.fileSystem));
  ScanReport report = ScanVolume(session);
  if (!report.ok) return {false, report.failure};
  if (session.lostSearch.found.empty()) return {false, kNoFileSystemsText};
  AppendLogSection(kActivityLog, "Step 2 (c) :", FoundFileSystemLogLines(session.lostSearch));
  return {true, {}};
}

StepResult ChooseVolume(Session& session, const std::string& source, const VolumeChoice& choice) {
  StepResult chosen = !choice.stateFile.empty() ? ChooseSaved(session, choice)
                      : choice.lostNumber != 0   ? ChooseFound(session, source, choice)
                      : choice.byRange       ? ChooseRange(session, source, choice)
                                             : ChoosePartition(session, source, choice.partition);
  if (chosen.ok && choice.exhaustive && choice.lostNumber == 0) session.state.exhaustiveSwitch = 1;
  return chosen;
}

}  // namespace vantor::cli
