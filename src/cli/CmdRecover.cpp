// vantor recover SOURCE [-p N] -o DIR [...]: scans file system N, selects, checks
// the destination and its free space, saves, and prints the saving report and
// its closing message. Exit code 0 only when the save completed.
#include <iostream>

#include "cli/RecoverSteps.h"
#include "disk/SourceSelection.h"
#include "platform/OutputFolder.h"
#include "cli/Usage.h"
#include "platform/Utf.h"
#include "save/DfxmlReport.h"
#include "save/SavingWorker.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

// Written like a saved file: under a temporary name until it is whole.
std::string WriteReport(const Session& session, const Arguments& arguments, const RecoverOptions& options,
                        const std::string& source, const std::string& outcome,
                        const std::vector<SavedFileEntry>& entries) {
  std::string commandLine = "vantor recover";
  for (const auto& argument : arguments) commandLine += " " + argument;
  const std::string text =
      DfxmlText({VANTOR_VERSION, commandLine, source, Utf16ToUtf8(session.state.fileSystemName),
                 session.state.startSector, options.destination, outcome},
                entries);
  const std::string problem = WriteWholeFile(options.report, SourcePaths(session.reader), text);
  return problem.empty() ? problem : "cannot write the report " + options.report + ": " + problem;
}

}  // namespace

int RecoverCommand(const Arguments& arguments) {
  const std::string usage = kRecoverUsage;
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nScans file system N (default 1) of SOURCE and saves into DIR: every folder and file\n"
                 "(--all, the default), the deleted files only (--deleted-only), or the folders and\n"
                 "files named by --select, as 'vantor scan' prints their paths (a folder takes its\n"
                 "subtree; --select may be given many times). The root's files go straight into DIR,\n"
                 "folders are recreated below it. A file that exists in DIR is replaced, skipped, or\n"
                 "saved under a new name (report0.doc, report1.doc, ...: the default). NTFS system\n"
                 "files ($MFT, $LogFile, ..., $Extend) are left out of --all and --deleted-only unless\n"
                 "--include-system is given. A file that cannot be written is skipped with its reason,\n"
                 "or stops the run with --on-write-error abort; nothing is left under a real name\n"
                 "unless it is complete. DIR must be a folder (it is made when missing) other than the\n"
                 "source. When DIR seems too small, nothing is saved unless --ignore-free-space is\n"
                 "given. Prints the saving report; the exit code is 0 only for \"Saving completed\n"
                 "successfully.\", 1 when it did not complete, 130 when interrupted.\n"
                 "--report FILE writes a DFXML report of the save: each file's path below DIR, size,\n"
                 "last-write time, the byte runs it was read from on SOURCE and the SHA-256 of what was\n"
                 "written.\n"
                 "The saving filter narrows what is saved: --deleted-mode include|exclude|only, a day\n"
                 "range per date (--modified FROM TO, both days included, DD-MM-YYYY), --extensions\n"
                 "doc,xls (at most 4 letters each, without dot, blank or *; only those are saved),\n"
                 "--fat-chain (which FAT gives a live FAT file's clusters, or contiguous from its first)\n"
                 "and --invert-selection (everything that --select does not name).\n"
              << kCodePageHelp << kIgnoreCidHelp;
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions hostOptions;
  RecoverOptions options;
  uint16_t codePage = kDefaultOemCodePage;
  if (std::string problem = TakeHostOptions(args, hostOptions); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeCodePage(args, codePage); !problem.empty()) return UsageError(usage, problem);
  if (std::string problem = TakeRecoverOptions(args, options); !problem.empty()) return UsageError(usage, problem);
  const bool ignoreCid = TakeFlag(args, "--ignore-cid");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "recover takes exactly one SOURCE");
  if (options.destination.empty()) return UsageError(usage, "-o DIR is required");
  Session session;
  session.reader.virtualDisk.setIgnoreParentCid(ignoreCid);
  RecoverHost host(hostOptions, options);
  session.setHost(&host);
  session.state.oemCodePage = codePage;
  std::vector<SavedFileEntry> saved;
  if (!options.report.empty()) session.createFile = RecordingCreator(session.createFile, session.savingRun, saved);
  RecoverResult result = RecoverPartition(session, args[0], options);
  host.finishProgress();
  if (!result.ok) return result.failure.empty() ? kExitFailed : Failure(result.failure);
  bool completed = result.closing == kSavingCompleted;
  if (!options.report.empty())
    if (std::string problem = WriteReport(session, arguments, options, args[0], result.closing, saved);
        !problem.empty()) {
      std::cerr << "vantor: " << problem << "\n";
      completed = false;
    }
  if (!hostOptions.quiet) {
    for (const auto& line : result.report) std::cout << line << "\n";
    std::cout << result.closing << "\n";
  } else if (!completed) {
    for (const FileProblem& file : session.savingRun.notSaved)
      std::cerr << "vantor: not saved: " << file.path << " (" << file.reason << ")\n";
    for (const FileProblem& file : session.savingRun.damaged)
      std::cerr << "vantor: damaged: " << file.path << " (" << file.reason << ")\n";
    for (const std::string& path : session.savingRun.zeroFilled) std::cerr << "vantor: partly zeros: " << path << "\n";
    std::cerr << "vantor: " << result.closing << "\n";
  }
  return completed ? kExitOk : kExitFailed;
}

}  // namespace vantor::cli
