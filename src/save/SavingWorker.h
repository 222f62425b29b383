// The saving run as the progress dialog starts it: the run header in the recovery
// log, the walk, then the saving report and its closing message ("Saving
// completed successfully." only when every byte required was copied, no file
// failed and none holds zeros in place of sectors its virtual disk lacks), shown
// through the host and appended to the log. The Open action of the browser uses
// the same file writers on one file in the temporary folder.
#pragma once

#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct SaveContext;

inline constexpr const char* kSavingCompleted = "Saving completed successfully.";
inline constexpr const char* kSavingNotCompleted = "Saving not completed successfully.";
inline constexpr const char* kSavingAborted = "Saving aborted.";

// Runs the save into savingRun.savingPath (accepted by AcceptDestination);
// returns the closing message.
std::string RunSaving(const SaveContext& context);
// The report's lines: "", "Saving Report :", "--------------" and the six fields,
// then a line for each file not saved ("Not Saved : PATH (REASON)") and for each
// saved file some of whose sectors lay beyond the virtual disk's files
// ("Partly Zeros : PATH").
std::vector<std::string> SavingReportLines(const SaveContext& context);
// Appends the report and `closing` to the recovery log and shows `closing`.
void CloseSavingReport(const SaveContext& context, const std::string& closing);

// Writes `file` into this process's private temporary folder and opens it with
// the desktop's program. `path` is what was written (empty when nothing could
// be); false when it was not written or no program could be started.
bool OpenRecoveredFile(const SaveContext& context, const FileRecord& file, std::string& path);

}  // namespace vantor
