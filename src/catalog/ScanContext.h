// What a metadata scan works with: the source it reads, the chosen volume (its
// file-system name and geometry in the state), the catalog it fills and the host
// it reports to.
#pragma once

#include "catalog/RecoveryCatalog.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"

namespace vantor {

struct ScanContext {
  SectorReader& reader;
  const RecoveryState& state;
  RecoveryCatalog& catalog;
  WorkerHost& host;
};

}  // namespace vantor
