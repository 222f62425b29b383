#include "save/SavingWorker.h"

#include <ctime>

#include "core/Session.h"
#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "platform/Folders.h"
#include "platform/Launch.h"
#include "save/SafeName.h"
#include "save/SaveTree.h"

namespace vantor {

std::vector<std::string> SavingReportLines(const Session& session) {
  const SavingRun& run = session.savingRun;
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
  for (const NotSavedFile& file : run.notSaved) lines.push_back("Not Saved : " + file.path + " (" + file.reason + ")");
  for (const std::string& path : run.zeroFilled) lines.push_back("Partly Zeros : " + path);
  return lines;
}

void CloseSavingReport(Session& session, const std::string& closing) {
  for (const auto& line : SavingReportLines(session)) AppendLog(kRecoveryLog, line);
  AppendLog(kRecoveryLog, closing);
  session.host().messageInfo(closing);
}

std::string RunSaving(Session& session) {
  SavingRun& run = session.savingRun;
  LogRunStart(session, kRecoveryLog);
  run.startTime = static_cast<int64_t>(std::time(nullptr));
  run.fatTables.clear();
  SaveTree(session);
  run.fatTables.clear();
  const bool whole = run.notSaved.empty() && run.zeroFilled.empty() && run.bytesCopied == run.bytesRequired;
  std::string closing = run.stopped ? kSavingAborted : whole ? kSavingCompleted : kSavingNotCompleted;
  CloseSavingReport(session, closing);
  return closing;
}

std::string OpenRecoveredFile(Session& session, const FileRecord& file) {
  std::string folder = TempFolder() + "/vantor-open";
  MakeFolderPath(folder);
  std::string path = folder + "/" + SafeName(NameUtf16(file.name));
  if (!SaveCatalogFile(session, path, file, false)) return {};
  OpenWithDefaultProgram(path);
  return path;
}

}  // namespace vantor
