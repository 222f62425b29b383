#include "gui/SearchWorkers.h"

#include "core/RecoveryState.h"

namespace {

constexpr const char* kCurrentSector = "Current Sector         :-";
constexpr const char* kTotalSize = "Total Size                :-";
constexpr const char* kFilesText =
    "Vantor is now searching for files and folders. After finishing it will switch on to Step 4.";
constexpr const char* kPartitionsText =
    "Vantor is now searching for lost partitions/file systems.After finishing it will list you the lost "
    "partitions/file systems.Click Next and proceed to Step 2C.";

bool IsFat(const std::u16string& name) { return name == u"FAT12" || name == u"FAT16" || name == u"FAT32"; }

WorkerChoice FileSystemRow(const vantor::RecoveryState& s, WorkerKind kind, QString caption) {
  QString text = s.partitionSearch == 0 || s.searchPass != 0 ? kFilesText : kPartitionsText;
  return {kind, text, caption, QString(), false};
}

}  // namespace

WorkerChoice ChooseWorker(const vantor::RecoveryState& s) {
  if (s.mode == 10)
    return {WorkerKind::kRawRecovery, "Vantor is now searching for selected extensions and saving the same. ",
            kCurrentSector, "Bytes Recovered    :-", false};
  if (s.imaging == 1)
    return {WorkerKind::kImageCreation,
            "Vantor is now making the image file of your selected disk / partition.After finishing go back to "
            "Desktop Recovery and recover the image file by Select Image option.",
            kCurrentSector, QString(), true};
  if (IsFat(s.fileSystemName)) {
    QString caption = s.stateLoaded ? "Total Size              :-" : kCurrentSector;
    if (s.partitionSearch == 1) return FileSystemRow(s, WorkerKind::kFatLostPartitionSearch, caption);
    if (s.exhaustiveSwitch == 1) return FileSystemRow(s, WorkerKind::kFatExhaustiveScan, caption);
    return FileSystemRow(s, WorkerKind::kFatScan, kTotalSize);
  }
  if (s.fileSystemName == u"NTFS") {
    if (s.partitionSearch == 1 && s.searchPass == 1)
      return FileSystemRow(s, WorkerKind::kNtfsChosenFileSystem, QString());
    if (s.exhaustiveSwitch == 1 || s.partitionSearch == 1)
      return FileSystemRow(s, WorkerKind::kNtfsExhaustiveScan,
                           s.stateLoaded ? "Total Size                 :-" : kCurrentSector);
    return FileSystemRow(s, WorkerKind::kNtfsScan, kTotalSize);
  }
  return FileSystemRow(s, WorkerKind::kNone, QString());
}

bool WorkerAvailable(WorkerKind kind) { return IsNormalScan(kind); }

bool IsNormalScan(WorkerKind kind) { return kind == WorkerKind::kFatScan || kind == WorkerKind::kNtfsScan; }
