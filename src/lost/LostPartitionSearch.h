// The FAT lost-partition search: it sweeps a sector range for FAT boot sectors
// and folder starts without trusting any partition table, then works out the
// file systems they belong to, also those whose boot sector is gone.
#pragma once

#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "lost/FatCandidates.h"

namespace vantor {

inline constexpr const char* kLostSweepText = "Step 1/5 :- Searching Boot Sector/Sub-Directories. Please Wait...";
inline constexpr const char* kLostPhase1Text = "Step 2/5 :- Analysing File System(Phase 1). Please Wait...  ";
inline constexpr const char* kLostPhase2Text = "Step 3/5 :- Analysing File System(Phase 2). Please Wait...  ";

// The boot sectors and folder starts one search keeps. A disk whose every
// cluster looks like one (a crafted image, a disk of copies of one volume)
// would otherwise fill memory: the sweep stops there and says where.
inline constexpr size_t kMaxLostCandidates = 1'000'000;

// Searches sectors [state.startSector, state.endSector) of the reader's source
// into `lists` (emptied first); file systems without a boot sector are named
// by state.fileSystemName. False when not even a small buffer could be had.
bool SearchLostFatFileSystems(SectorReader& reader, WorkerHost& host, const RecoveryState& state,
                              LostSearchLists& lists);

}  // namespace vantor
