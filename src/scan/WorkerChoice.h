// Which worker Step 3 runs for the recovery state: the one place that decides,
// for the wizard's progress dialog and for the command line alike. The rows are
// tested in a fixed order: raw recovery, disk imaging, then by file system the
// lost-partition search, the exhaustive scan and the normal scan.
#pragma once

namespace vantor {

struct RecoveryState;

enum class WorkerKind {
  kRawRecovery,
  kImageCreation,
  kFatLostPartitionSearch,
  kFatExhaustiveScan,
  kFatScan,
  kNtfsChosenFileSystem,
  kNtfsExhaustiveScan,
  kNtfsScan,
  kNone,
};

WorkerKind ChooseWorker(const RecoveryState& state);
// True for the workers that exist in this build.
bool WorkerAvailable(WorkerKind kind);
// The normal FAT and NTFS scans.
bool IsNormalScan(WorkerKind kind);

}  // namespace vantor
