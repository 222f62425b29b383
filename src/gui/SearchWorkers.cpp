#include "gui/SearchWorkers.h"

#include "core/RecoveryState.h"

namespace {

using vantor::WorkerKind;

constexpr const char* kCurrentSector = "Current Sector         :-";
constexpr const char* kTotalSize = "Total Size                :-";
constexpr const char* kFilesText =
    "Vantor is now searching for files and folders. After finishing it will switch on to Step 4.";
constexpr const char* kPartitionsText =
    "Vantor is now searching for lost partitions/file systems.After finishing it will list you the lost "
    "partitions/file systems.Click Next and proceed to Step 2C.";

QString SizeCaption(WorkerKind kind, const vantor::RecoveryState& s) {
  switch (kind) {
    case WorkerKind::kFatLostPartitionSearch:
    case WorkerKind::kFatExhaustiveScan: return s.stateLoaded ? "Total Size              :-" : kCurrentSector;
    case WorkerKind::kNtfsExhaustiveScan: return s.stateLoaded ? "Total Size                 :-" : kCurrentSector;
    case WorkerKind::kFatScan:
    case WorkerKind::kNtfsScan: return kTotalSize;
    default: return {};
  }
}

}  // namespace

WorkerChoice ChooseWorkerCaptions(const vantor::RecoveryState& s) {
  const WorkerKind kind = vantor::ChooseWorker(s);
  if (kind == WorkerKind::kRawRecovery)
    return {kind, "Vantor is now searching for selected extensions and saving the same. ", kCurrentSector,
            "Bytes Recovered    :-", false};
  if (kind == WorkerKind::kImageCreation)
    return {kind,
            "Vantor is now making the image file of your selected disk / partition.After finishing go back to "
            "Desktop Recovery and recover the image file by Select Image option.",
            kCurrentSector, QString(), true};
  QString text = s.partitionSearch == 0 || s.searchPass != 0 ? kFilesText : kPartitionsText;
  return {kind, text, SizeCaption(kind, s), QString(), false};
}
