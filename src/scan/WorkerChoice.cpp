#include "scan/WorkerChoice.h"

#include "core/RecoveryState.h"

namespace vantor {

WorkerKind ChooseWorker(const RecoveryState& s) {
  if (s.mode == RecoveryMode::kRawSearching) return WorkerKind::kRawRecovery;
  if (s.imaging == 1) return WorkerKind::kImageCreation;
  if (IsFat(s.fileSystem())) {
    if (s.partitionSearch == 1) return WorkerKind::kFatLostPartitionSearch;
    if (s.exhaustiveSwitch == 1) return WorkerKind::kFatExhaustiveScan;
    return WorkerKind::kFatScan;
  }
  if (s.fileSystem() == FileSystemKind::kNtfs) {
    if (s.partitionSearch == 1 && s.searchPass == 1) return WorkerKind::kNtfsChosenFileSystem;
    if (s.exhaustiveSwitch == 1 || s.partitionSearch == 1) return WorkerKind::kNtfsExhaustiveScan;
    return WorkerKind::kNtfsScan;
  }
  return WorkerKind::kNone;
}

bool WorkerAvailable(WorkerKind kind) {
  return IsNormalScan(kind) || kind == WorkerKind::kRawRecovery || kind == WorkerKind::kImageCreation || kind == WorkerKind::kFatExhaustiveScan || kind == WorkerKind::kFatLostPartitionSearch ||
         kind == WorkerKind::kNtfsExhaustiveScan || kind == WorkerKind::kNtfsChosenFileSystem;
}

bool IsNormalScan(WorkerKind kind) { return kind == WorkerKind::kFatScan || kind == WorkerKind::kNtfsScan; }

}  // namespace vantor
