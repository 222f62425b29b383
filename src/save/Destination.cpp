#include "save/Destination.h"

#include "core/SizeText.h"
#include "disk/SourceSelection.h"
#include "platform/FreeSpace.h"
#include "save/FileFilter.h"
#include "save/SaveContext.h"
#include "save/SavedFolders.h"

namespace vantor {
namespace {

constexpr const char* kNotValid = "Not a valid Destination. Please specify destination.";

}  // namespace

void ComputeTotals(const SaveContext& context) {
  SavingRun& run = context.savingRun;
  const SavingFilter& filter = context.savingFilter;
  const bool ntfs = IsNtfs(context);
  run.filesRequired = 0;
  run.bytesRequired = 0;
  run.foldersRequired = 0;
  WalkSavedFolders(context, [&](const std::string& relative, const std::vector<FileRecord*>& files,
                               const FolderRecord* folder) -> std::optional<std::string> {
    if (folder != nullptr && !relative.empty()) ++run.foldersRequired;
    for (const FileRecord* file : files) {
      if (!PassesFilter(filter, *file, ntfs)) continue;
      ++run.filesRequired;
      run.bytesRequired += file->size();
    }
    context.host().setStepText(MegaGigaText(run.bytesRequired) + " size");
    return relative;
  });
}

std::unique_ptr<DestinationTree> CheckDestination(const SaveContext& context, const std::string& typed) {
  WorkerHost& host = context.host();
  if (typed.empty()) {
    host.messageInfo(kNotValid);
    return nullptr;
  }
  std::string problem;
  std::unique_ptr<OutputFolder> folder = OpenDestination(typed, SourcePaths(context.reader), problem);
  if (folder == nullptr) {
    host.messageInfo(std::string(kNotValid) + "\n" + problem);
    return nullptr;
  }
  return std::make_unique<DestinationTree>(std::move(folder));
}

DestinationOutcome AcceptDestination(const SaveContext& context, const std::string& typed, bool rawRecovery,
                                     SelectionNeeds needs) {
  WorkerHost& host = context.host();
  std::unique_ptr<DestinationTree> destination = CheckDestination(context, typed);
  if (destination == nullptr) return DestinationOutcome::kInvalid;
  std::string path = typed;
  if (!rawRecovery) {
    ComputeTotals(context);
    const bool folders = needs == SelectionNeeds::kAFileOrFolder && context.savingRun.foldersRequired > 0;
    if (context.savingRun.filesRequired < 1 && !folders) {
      host.messageInfo("You have not selected any file/folder.");
      return DestinationOutcome::kNothingSelected;
    }
    uint64_t required = context.savingRun.bytesRequired;
    if (required >= FreeBytes(path) &&
        !host.question("Insufficient free space on destination drive. Selected file/folder requires " +
                       MegaGigaText(required) + " of free space. Press Yes if you want continue with it."))
      return DestinationOutcome::kChooseAnother;
  }
  context.savingRun.savingPath = path;
  context.savingRun.destination = std::move(destination);
  return DestinationOutcome::kAccepted;
}

}  // namespace vantor
