#include "save/SavingWorker.h"

#include <ctime>

#include "disk/SourceSelection.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "platform/Folders.h"
#include "platform/Launch.h"
#include "platform/OutputFolder.h"
#include "save/DestinationTree.h"
#include "save/SafeName.h"
#include "save/SaveContext.h"
#include "save/SaveTree.h"

namespace vantor {

std::vector<std::string> SavingReportLines(const SaveContext& context) {
  const SavingRun& run = context.savingRun;
  const auto text = [&](SavingField field) { return run.fields[static_cast<size_t>(field - kTimeElapsedField)]; };
  std::vector<std::string> lines = {"",
                                    "Saving Report :",
                                    "--------------",
                                    "Time Elapsed : " + text(kTimeElapsedField),
                                    "Time Remaining : " + text(kTimeRemainingField),
                                    "Size Required : " + text(kSizeRequiredField),
                                    "Size Copied : " + text(kSizeCopiedField),
                                    "Last Name : " + text(kLastNameField),
                                    "Directory Name : " + text(kDirectoryNameField)};
  for (const FileProblem& file : run.notSaved) lines.push_back("Not Saved : " + file.path + " (" + file.reason + ")");
  for (const FileProblem& file : run.damaged) lines.push_back("Damaged : " + file.path + " (" + file.reason + ")");
  for (const std::string& path : run.zeroFilled) lines.push_back("Partly Zeros : " + path);
  return lines;
}

void CloseSavingReport(const SaveContext& context, const std::string& closing) {
  for (const auto& line : SavingReportLines(context)) AppendLog(kRecoveryLog, line);
  AppendLog(kRecoveryLog, closing);
  context.host().messageInfo(closing);
}

std::string RunSaving(const SaveContext& context) {
  SavingRun& run = context.savingRun;
  LogRunStart(context.startTime, kRecoveryLog);
  run.startTime = static_cast<int64_t>(std::time(nullptr));
  SaveTree(context);
  const bool whole = run.notSaved.empty() && run.damaged.empty() && run.zeroFilled.empty() && run.bytesCopied == run.bytesRequired;
  std::string closing = run.stopped ? kSavingAborted : whole ? kSavingCompleted : kSavingNotCompleted;
  CloseSavingReport(context, closing);
  return closing;
}

bool OpenRecoveredFile(const SaveContext& context, const FileRecord& file, std::string& path) {
  path.clear();
  const std::string folder = PrivateTempFolder();
  if (folder.empty()) return false;
  std::string problem;
  std::unique_ptr<OutputFolder> opened = OpenDestination(folder, SourcePaths(context.reader), problem);
  if (opened == nullptr) return false;
  DestinationTree temporary(std::move(opened));
  const FileCreator intoTemporary = [&](const std::string& at, std::string& error) {
    return temporary.create(at, error);
  };
  const SaveContext opening{context.state,        context.reader,     context.catalog,
                            context.mftRunTable,  context.folderTree, context.savingFilter,
                            context.savingRun,    intoTemporary,      context.startTime};
  const std::string target = folder + "/" + SafeName(file.name.utf16());
  if (!SaveCatalogFile(opening, target, file, false)) return false;
  path = target;
  return OpenWithDefaultProgram(path);
}

}  // namespace vantor
