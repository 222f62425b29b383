// The normal scan of an NTFS volume: every file record of the MFT in record-number
// order, through the MFT's own run table, live and deleted alike.
//
// A record's number is its position in the MFT's data, counted across the runs,
// so folders and files get their keys without guessing; a file-name attribute
// names the parent folder by number. Record 5 is the root folder, which is not a
// catalog folder. A name or a size that lives in an extension record is followed
// there through the attribute list. Records are read 256 KiB at a time.
#pragma once

#include <string>

#include "catalog/ScanContext.h"
#include "ntfs/MftRunTable.h"

namespace vantor {

inline constexpr const char* kNtfsSwitchMessage =
    "Switching to Exhaustive Recovery for Lost files & folders. This will take long time.";
// The Step 3 label that the exhaustive scan's position is shown under.
inline constexpr int kCurrentSectorCaption = 1052;
inline constexpr const char* kCurrentSectorLabel = "Current Sector       :-";

enum class NtfsScanOutcome {
  kFinished,            // something was found: on to Step 4
  kSwitchToExhaustive,  // nothing was found: the exhaustive scan takes over
};

// Scans the MFT that `table` describes (BuildMftRunTable) into the
// catalog. When it finds nothing it tells the user so and asks for the
// exhaustive scan.
NtfsScanOutcome NtfsScan(const ScanContext& context, const MftRunTable& table);

}  // namespace vantor
