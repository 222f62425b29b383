// What the saver works with: the source it reads (and the host answering for it),
// the chosen volume, the MFT runs of an NTFS volume, the Step 4 tree and
// selection, the filter and the run's records, and the creator of output files.
#pragma once

#include <ctime>

#include "browser/BrowserContext.h"
#include "browser/FolderTree.h"
#include "catalog/RecoveryCatalog.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "ntfs/MftRunTable.h"
#include "save/OutputFile.h"
#include "save/SavingFilter.h"
#include "save/SavingRun.h"

namespace vantor {

struct SaveContext {
  RecoveryState& state;
  SectorReader& reader;
  RecoveryCatalog& catalog;
  const MftRunTable& mftRunTable;
  FolderTree& folderTree;
  SavingFilter& savingFilter;
  SavingRun& savingRun;
  const FileCreator& createFile;
  // When the run began: the recovery log's run header shows it.
  std::time_t startTime;

  // The reader's host: a quiet read may stand in for it for a moment.
  WorkerHost& host() const { return reader.host(); }
  BrowserContext browser() const { return {state, catalog, folderTree, reader.host()}; }
};

}  // namespace vantor
