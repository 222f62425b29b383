// The directory scan of a FAT12, FAT16 or FAT32 volume: the normal, fast search.
// It reads the root directory, then every folder the catalog holds, breadth
// first (folders found while walking are appended and visited in turn), and adds
// each live or deleted folder and file it meets.
#pragma once

#include <functional>
#include <string>

#include "catalog/ScanContext.h"
#include "fat/FatEntries.h"

namespace vantor {

inline constexpr const char* kSwitchToExhaustiveText =
    "Switching to Exhaustive Recovery for Lost files & folders. This will take long time.";

struct FatScanResult {
  bool ok = true;
  std::string failure;       // the message told to the user when not ok
  bool foundNothing = false;  // the exhaustive scan should take over
};

// Scans the volume that the state's geometry describes into the catalog.
FatScanResult FatScan(const ScanContext& context);

// What both FAT scans share: a file entry of folder `parentKey` listed with its
// size added to the total (false when memory ran out), and a scan run so that
// running out of memory is told and ends it.
bool AddFileEntry(RecoveryCatalog& catalog, const DecodedEntry& entry, uint32_t parentKey, char deleted);
FatScanResult RunWithinMemory(WorkerHost& host, const std::function<FatScanResult()>& scan);

}  // namespace vantor
