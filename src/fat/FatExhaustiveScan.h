// The exhaustive scan of a FAT12, FAT16 or FAT32 volume: it finds folders without
// trusting the directory tree, then names them and lists their files.
//
// 1. Cluster search: the first sector of every cluster is read; a cluster that
//    begins with a "." entry naming that very cluster and a ".." entry is the
//    first cluster of a folder, named "Dir" + a running number, whose parent is
//    the cluster the ".." entry names, and deleted when the FAT calls the
//    cluster free. A "." entry naming another cluster is a stale copy and is
//    ignored.
// 2. Folders whose parent was not found are hung under the pseudo-folder "Lost".
// 3. The root is read as the directory scan reads it: a folder entry gives its
//    name to the found folder of its cluster whose parent is the root; files are
//    listed.
// 4. Every found folder is read the same way, naming its found subfolders.
//    A live entry's name and state stay: a deleted entry of the same cluster
//    (left by a rename) is listed as an old entry instead (OldFolderEntries).
// Beyond that, clusters noted in step 1 whose first sector holds directory
// entries without a "." entry (the later clusters of a deleted folder, whose
// chain is gone from the FAT) and that no folder read claimed are listed under
// "Lost", each in a folder named after its cluster.
//
// In lost-partition mode the folders come from the search instead, steps 1 and
// 2 are skipped and step 4 reads only the folders of the chosen file system.
#pragma once

#include "catalog/ScanContext.h"
#include "fat/FatScan.h"

namespace vantor {

inline constexpr const char* kClusterSearchText = "Step 1/5 :- Searching Directories. Please Wait...";
inline constexpr const char* kLostDirectoriesText = "Step 2/5 :- Searching Lost Directories. Please Wait...  ";
inline constexpr const char* kRootEntriesText =
    "Step 3/5 :- Inserting Root Directory & Enumerating Files. Please Wait...  ";
inline constexpr const char* kSubfolderEntriesText =
    "Step 4/5 :- Inserting Sub Directories & Enumerating Files. Please Wait...  ";

FatScanResult FatExhaustiveScan(const ScanContext& context);

}  // namespace vantor
