#include "cli/RecoverSteps.h"

#include <cstdio>

#include "browser/BuildFolderTree.h"
#include "browser/Selection.h"
#include "catalog/CatalogPaths.h"
#include "cli/SourceSteps.h"
#include "cli/Usage.h"
#include "save/Destination.h"
#include "save/SavingWorker.h"
#include "scan/RunScan.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

std::string TakeOnExists(const std::string& value, ReplaceAnswer& answer) {
  if (value == "replace") answer = ReplaceAnswer::kReplaceAll;
  else if (value == "skip") answer = ReplaceAnswer::kSkipAll;
  else if (value == "rename") answer = ReplaceAnswer::kRenameAll;
  else return "--on-exists takes replace, skip or rename, not '" + value + "'";
  return {};
}

// Ticks the folder (with its subtree) or the file at `path`; false when the
// catalog has no such path in the tree.
bool SelectPath(Session& session, CatalogPaths& paths, const std::string& path) {
  auto& folders = session.catalog.folders();
  for (size_t i = 0; i < folders.size(); ++i) {
    if (folders[i].treeItem == 0 || paths.FolderPath(i) != path) continue;
    CheckItem(session, folders[i].treeItem, true);
    ShowPathChecked(session, folders[i].treeItem);
    return true;
  }
  const uint32_t rootKey = session.folderTree.rootKey();
  auto& files = session.catalog.files();
  for (size_t i = 0; i < files.size(); ++i) {
    if (paths.FilePath(i) != path) continue;
    uint64_t item = kRootItem;
    if (files[i].parentKey != rootKey) {
      item = 0;
      for (size_t f = 0; f < folders.size() && item == 0; ++f)
        if (folders[f].ownKey == files[i].parentKey && folders[f].fileSystemNumber == session.state.selectedFileSystem)
          item = folders[f].treeItem;
      if (item == 0) continue;
    }
    files[i].selected = 'y';
    ShowPathChecked(session, item);
    return true;
  }
  return false;
}

std::string TakeOnWriteError(const std::string& value, WriteErrorAnswer& answer) {
  if (value == "skip") answer = WriteErrorAnswer::kIgnore;
  else if (value == "abort") answer = WriteErrorAnswer::kAbort;
  else return "--on-write-error takes skip or abort, not '" + value + "'";
  return {};
}

std::string Select(Session& session, const RecoverOptions& options) {
  SavingFilter& filter = session.savingFilter;
  filter = options.filter.filter;
  filter.selectionMode = options.filter.invertSelection             ? kInvertSelection
                         : options.choice == RecoverChoice::kSelect ? kSaveSelected
                                                                    : kSaveAll;
  if (!options.filter.deletedModeGiven)
    filter.deletedMode = options.choice == RecoverChoice::kDeletedOnly ? kDeletedOnly : kIncludeDeleted;
  filter.leaveOutSystemFiles = options.choice != RecoverChoice::kSelect && !options.includeSystem;
  if (options.choice != RecoverChoice::kSelect) return {};
  CatalogPaths paths(session.catalog, RootKey(session.state), static_cast<int16_t>(session.state.selectedFileSystem));
  for (const auto& path : options.selected)
    if (!SelectPath(session, paths, path)) return "no folder or file '" + path + "' in the catalog";
  return {};
}

// The refusals the destination check has told through the host already need no
// second line.
std::string AcceptanceFailure(DestinationOutcome outcome) {
  return outcome == DestinationOutcome::kChooseAnother ? "too little free space on the destination" : "";
}

}  // namespace

WriteErrorAnswer RecoverHost::askWriteError(const std::string& path, const std::string& reason) {
  finishProgress();
  const char* outcome = onWriteError_ == WriteErrorAnswer::kAbort ? "saving stops" : "skipped";
  std::fprintf(stderr, "vantor: cannot write %s: %s: %s\n", path.c_str(), reason.c_str(), outcome);
  return onWriteError_;
}

bool RecoverHost::question(const std::string& text) {
  if (!ignoreFreeSpace_) return CliHost::question(text);
  finishProgress();
  std::fprintf(stderr, "vantor: %s? Yes (--ignore-free-space)\n", text.c_str());
  return true;
}

void RecoverHost::messageInfo(const std::string& text) {
  if (text != kSavingCompleted && text != kSavingNotCompleted && text != kSavingAborted) CliHost::messageInfo(text);
}

std::string TakeRecoverOptions(Arguments& args, RecoverOptions& options) {
  Arguments rest;
  bool chosen = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool takesValue = arg == "-o" || arg == "--output" || arg == "--select" || arg == "--on-exists" ||
                      arg == "--on-write-error" || arg == "--report";
    if (takesValue && i + 1 >= args.size()) return arg + " needs a value";
    if (arg == "-o" || arg == "--output") {
      options.destination = args[++i];
    } else if (arg == "--report") {
      options.report = args[++i];
    } else if (arg == "--on-exists") {
      if (std::string problem = TakeOnExists(args[++i], options.onExists); !problem.empty()) return problem;
    } else if (arg == "--on-write-error") {
      if (std::string problem = TakeOnWriteError(args[++i], options.onWriteError); !problem.empty()) return problem;
    } else if (arg == "--include-system") {
      options.includeSystem = true;
    } else if (arg == "--ignore-free-space") {
      options.ignoreFreeSpace = true;
    } else if (arg == "--all" || arg == "--deleted-only" || arg == "--select") {
      RecoverChoice choice = arg == "--all" ? RecoverChoice::kAll
                             : arg == "--deleted-only" ? RecoverChoice::kDeletedOnly
                                                       : RecoverChoice::kSelect;
      if (chosen && choice != options.choice) return "choose one of --all, --deleted-only and --select";
      chosen = true;
      options.choice = choice;
      if (choice == RecoverChoice::kSelect) options.selected.push_back(args[++i]);
    } else {
      rest.push_back(arg);
    }
  }
  args = rest;
  if (std::string problem = TakeSavingFilter(args, options.filter); !problem.empty()) return problem;
  if (options.choice == RecoverChoice::kDeletedOnly && options.filter.deletedModeGiven &&
      options.filter.filter.deletedMode != kDeletedOnly)
    return "--deleted-only saves deleted files only: it goes with no other --deleted-mode";
  return TakeVolumeOptions(args, options.volume);
}

RecoverResult RecoverPartition(Session& session, const std::string& source, const RecoverOptions& options) {
  RecoverResult result;
  if (StepResult opened = OpenSource(session, source); !opened.ok) return {false, opened.message, {}, {}};
  if (StepResult chosen = ChooseVolume(session, source, options.volume); !chosen.ok)
    return {false, chosen.message, {}, {}};
  // A destination that cannot serve is refused before the scan, which may read
  // the whole volume.
  if (CheckDestination(session, options.destination) == nullptr) return {false, "", {}, {}};
  ScanReport scan = ScanVolume(session);
  if (!scan.ok) return {false, scan.failure, {}, {}};
  BuildFolderTree(session);
  session.savingRun.Reset();
  if (std::string problem = Select(session, options); !problem.empty()) return {false, problem, {}, {}};
  DestinationOutcome outcome =
      AcceptDestination(session, options.destination, false, SelectionNeeds::kAFileOrFolder);
  if (outcome != DestinationOutcome::kAccepted) return {false, AcceptanceFailure(outcome), {}, {}};
  session.host().beginPhase("Saving", session.savingRun.bytesRequired);
  result.closing = RunSaving(session);
  result.report = SavingReportLines(session);
  result.ok = true;
  return result;
}

}  // namespace vantor::cli
