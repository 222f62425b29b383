// Before the exhaustive scan of a file system that the lost-partition search
// found, the folders the search saw become catalog records: all of them, each
// numbered with its file system, named "Dir" + a running number, after the
// pseudo-folder "Lost". A later choice of another file system finds the records
// there and only gives "Lost" to it. Folders of the chosen file system whose
// parent is not among them are hung under "Lost".
#pragma once

#include <cstdint>

#include "catalog/RecoveryCatalog.h"
#include "core/WorkerHost.h"
#include "lost/FatCandidates.h"

namespace vantor {

inline constexpr const char* kDumpFoldersText =
    "Step 4/5 :- Dumping Folders information for Selected File System. Please Wait...  ";
inline constexpr const char* kFoundLostFoldersText = "Step 5/5 :- Searching lost directories. Please Wait...  ";

// False when memory ran out.
bool PrepareFoundFolders(RecoveryCatalog& catalog, WorkerHost& host, LostSearchLists& lists, int32_t number);

}  // namespace vantor
