// Which worker Step 3 runs for the recovery state, with the explanation and the
// caption of the size label that go with it. Rows are tested in a fixed order.
#pragma once

#include <QString>

namespace vantor {
struct RecoveryState;
}

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

struct WorkerChoice {
  WorkerKind kind = WorkerKind::kNone;
  QString explanation;
  QString sizeCaption;     // the caption of 1052; empty: unchanged
  QString foldersCaption;  // the caption of 1045; empty: unchanged
  bool detailsHidden = false;
};

WorkerChoice ChooseWorker(const vantor::RecoveryState& state);
// True for the workers that exist in this build.
bool WorkerAvailable(WorkerKind kind);
// The normal FAT and NTFS scans: the moving bar of timer 1, and Stop ends them at once.
bool IsNormalScan(WorkerKind kind);
