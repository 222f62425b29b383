// vantor raw SOURCE -o DIR --types all|JPEG,PNG,... [-p N | --range FIRST END]:
// raw recovery of the ticked types from file system N's sectors, a range, or
// the whole source.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/RangeOptions.h"
#include "cli/SourceSteps.h"
#include "cli/Usage.h"
#include "disk/SourceSelection.h"
#include "logs/Logs.h"
#include "platform/OutputFolder.h"
#include "scan/RawSearch.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

// "all" or names of the list, separated by commas; a problem text, or empty.
std::string ParseTypes(const std::string& text, std::array<bool, kRawTypeCount>& ticked) {
  ticked.fill(text == "all");
  if (text == "all") return {};
  std::istringstream names(text);
  for (std::string name; std::getline(names, name, ',');) {
    const auto found = std::find(kRawTypeNames.begin(), kRawTypeNames.end(), name);
    if (found == kRawTypeNames.end()) return "unknown type '" + name + "' (the types: all, or some of AVI,BMP,...,ZIP)";
    ticked[static_cast<size_t>(found - kRawTypeNames.begin())] = true;
  }
  return std::any_of(ticked.begin(), ticked.end(), [](bool t) { return t; }) ? std::string()
                                                                            : "Please select extensions to start.";
}

}  // namespace

int RawCommand(const Arguments& arguments) {
  const std::string usage = std::string("vantor raw SOURCE -o DIR --types all|TYPE,TYPE,... [-p N | --range FIRST END] ") +
                            kHostOptionsUsage;
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nFinds files by their content alone, without any file system: every sector of file\n"
                 "system N, of the range FIRST to END, or of the whole source is looked at for the\n"
                 "headers of the types given, and each file found is written whole (in sectors) to\n"
                 "DIR/TYPE/N.TYPE. DIR/raw-report.csv lists each: type, file, first sector, sector\n"
                 "count, sha256. The types: all, or some of\n  ";
    for (const char* name : kRawTypeNames) std::cout << name << (name == kRawTypeNames.back() ? "\n" : ",");
    std::cout << "Exits 0 only when the search ran to its end and every file found was written.\n";
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions hostOptions;
  if (std::string problem = TakeHostOptions(args, hostOptions); !problem.empty()) return UsageError(usage, problem);
  std::string folder, types;
  for (const auto& [option, value] : {std::pair{"-o", &folder}, {"--types", &types}})
    if (std::string problem = TakeValue(args, option, *value); !problem.empty()) return UsageError(usage, problem);
  RangeOptions rangeOptions;
  if (std::string problem = TakeRangeOptions(args, rangeOptions); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "raw takes exactly one SOURCE");
  if (folder.empty()) return UsageError(usage, "raw needs -o DIR");
  if (types.empty()) return UsageError(usage, "raw needs --types");
  std::array<bool, kRawTypeCount> ticked{};
  if (std::string problem = ParseTypes(types, ticked); !problem.empty()) return UsageError(usage, problem);
  Session session;
  CliHost host(hostOptions);
  host.showRawProgress();
  session.setHost(&host);
  if (StepResult opened = OpenSource(session, args[0]); !opened.ok) return Failure(opened.message);
  // Made when missing, as `recover` makes its folder, and checked before the
  // search reads anything.
  std::string problem;
  if (OpenDestination(folder, SourcePaths(session.reader), problem) == nullptr)
    return Failure("cannot use the output folder " + folder + ": " + problem);
  const ChosenRange range = ChooseRange(session, rangeOptions, args[0]);
  if (!range.problem.empty()) return range.usage ? UsageError(usage, range.problem) : Failure(range.problem);
  const RawRun run{range.start, range.end, folder};

  AppendLogSection(kActivityLog, "Step 2 (b) :", RawChoiceLines(ticked));
  AppendLog(kActivityLog, "");
  AppendLog(kActivityLog, "Saving Path : " + folder);
  session.rawRules = BuildRules(ticked);
  session.state.startSector = run.start;
  session.state.endSector = run.end;
  session.savingRun.savingPath = folder;
  const auto started = std::chrono::steady_clock::now();
  host.beginPhase("Searching sectors for files", (run.end - run.start) * 512);
  const RawOutcome outcome = RunRawSearch(session, host);
  host.finishProgress();
  const auto seconds = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count());
  const bool aborted = outcome.stopped || Interrupted();
  LogRawReport(session, outcome, run, seconds, aborted);
  const std::vector<std::string> lines = RawReportLines(outcome, run, seconds);
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  for (const std::string& problem : outcome.problems) std::fprintf(stderr, "vantor: not written: %s\n", problem.c_str());
  if (aborted) {
    std::fprintf(stderr, "vantor: %s\n", kRawAbortedText);
    return Interrupted() ? kExitInterrupted : kExitFailed;
  }
  if (!outcome.complete()) return Failure(RawClosingText(outcome, aborted));
  std::printf("%s\n", kRawCompletedText);
  return std::fflush(stdout) == 0 ? kExitOk : Failure("cannot write to standard output");
}

}  // namespace vantor::cli
