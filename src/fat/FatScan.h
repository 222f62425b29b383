// The directory scan of a FAT12, FAT16 or FAT32 volume: the normal, fast search.
// It reads the root directory, then every folder the catalog holds, breadth
// first (folders found while walking are appended and visited in turn), and adds
// each live or deleted folder and file it meets.
#pragma once

#include <string>

namespace vantor {

class Session;

inline constexpr const char* kSwitchToExhaustiveText =
    "Switching to Exhaustive Recovery for Lost files & folders. This will take long time.";

struct FatScanResult {
  bool ok = true;
  std::string failure;       // the message told to the user when not ok
  bool foundNothing = false;  // the exhaustive scan should take over
};

// Scans the volume that session.state.geometry describes into session.catalog.
FatScanResult FatScan(Session& session);

}  // namespace vantor
