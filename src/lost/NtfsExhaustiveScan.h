// The exhaustive scan of NTFS: every sector of the range is looked at for file
// records and index blocks (and, searching for lost partitions, boot sectors);
// the records' numbers and file systems are rebuilt (see NtfsCandidates.h); then
// the folders and files of one file system go to the catalog, those whose
// parent was not found under "Lost".
//
// Searching for lost partitions, the scan ends with the file systems it found,
// and the one the user chooses is dumped by a second pass.
#pragma once

#include "catalog/RecoveryCatalog.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "lost/FatCandidates.h"

namespace vantor {

// The file records, index blocks and boot sectors a lost-partition search keeps
// (an exhaustive scan of a chosen volume keeps all it finds, as a scan does).
inline constexpr size_t kMaxNtfsSearchCandidates = 2'000'000;

inline constexpr const char* kNtfsSweepText = "Step 1/5 :- Searching MFT's/Index Allocation. Please Wait...";
inline constexpr const char* kNtfsFolderNumbersText = "Step 2/5 :- Assigning MFT Numbers to Folders. Please Wait...  ";
inline constexpr const char* kNtfsFileNumbersText = "Step 3/5 :- Assigning MFT Numbers to Files. Please Wait...  ";
inline constexpr const char* kNtfsConfirmText =
    "Step 4.1/5 :- Analysing File System. Please Wait...      File System Enumerated :- ";
inline constexpr const char* kNtfsDumpText =
    "Step 4.3/5 :- Dumping Files/Folders information for Selected File System. Please Wait...  ";
inline constexpr const char* kNtfsLostFoldersText = "Step 5/5 :- Searching lost directories. Please Wait...  ";

// Sweeps sectors [state.startSector, state.endSector) and works out the file
// systems into `lists` (emptied first): with state.partitionSearch, every NTFS
// boot sector found is tested; otherwise the range itself with the volume's
// cluster size. False when not even a small buffer could be had.
bool SearchNtfsRecords(SectorReader& reader, WorkerHost& host, const RecoveryState& state, LostSearchLists& lists);

// The sectors whose records belong to found file system `number` (all of
// them for a number not found).
struct SectorRange {
  uint64_t start = 0;
  uint64_t end = 0;
};
SectorRange FoundRange(const LostSearchLists& lists, int32_t number);

// The records of found file system `number` as an MFT's runs (RecordMapOf),
// for the saver to follow attribute lists.
MftRunTable FoundRecordMap(const LostSearchLists& lists, int32_t number);

// Puts the folders of every file system found and the files of file system
// `number` into the catalog (emptied first), and hangs the orphans of that one
// under "Lost". False when memory ran out.
bool DumpNtfsFileSystem(RecoveryCatalog& catalog, WorkerHost& host, const LostSearchLists& lists, int32_t number);

}  // namespace vantor
