#include "save/Destination.h"

#include "core/Session.h"
#include "core/SizeText.h"
#include "disk/SourceSelection.h"
#include "platform/FreeSpace.h"
#include "save/DestinationFolder.h"
#include "save/FileFilter.h"
#include "save/SavedFolders.h"

namespace vantor {
namespace {

constexpr const char* kNotValid = "Not a valid Destination. Please specify destination.";

}  // namespace

void ComputeTotals(Session& session) {
  SavingRun& run = session.savingRun;
  const SavingFilter& filter = session.savingFilter;
  const bool ntfs = IsNtfs(session);
  run.filesRequired = 0;
  run.bytesRequired = 0;
  WalkSavedFolders(session, [&](const std::string& relative, const std::vector<FileRecord*>& files,
                               const FolderRecord*) -> std::optional<std::string> {
    for (const FileRecord* file : files) {
      if (!PassesFilter(filter, *file, ntfs)) continue;
      ++run.filesRequired;
      run.bytesRequired += file->size();
    }
    session.host().setStepText(MegaGigaText(run.bytesRequired) + " size");
    return relative;
  });
}

DestinationOutcome AcceptDestination(Session& session, const std::string& typed, bool rawRecovery) {
  WorkerHost& host = session.host();
  if (typed.empty()) {
    host.messageInfo(kNotValid);
    return DestinationOutcome::kInvalid;
  }
  if (std::string problem = PrepareDestinationFolder(typed, SourcePaths(session)); !problem.empty()) {
    host.messageInfo(std::string(kNotValid) + "\n" + problem);
    return DestinationOutcome::kInvalid;
  }
  std::string path = typed;
  if (!rawRecovery) {
    ComputeTotals(session);
    if (session.savingRun.filesRequired < 1) {
      host.messageInfo("You have not selected any file/folder.");
      return DestinationOutcome::kNothingSelected;
    }
    uint64_t required = session.savingRun.bytesRequired;
    if (required >= FreeBytes(path) &&
        !host.question("Insufficient free space on destination drive. Selected file/folder requires " +
                       MegaGigaText(required) + " of free space. Press Yes if you want continue with it."))
      return DestinationOutcome::kChooseAnother;
  }
  session.savingRun.savingPath = path;
  return DestinationOutcome::kAccepted;
}

}  // namespace vantor
