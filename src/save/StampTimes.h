// The last-write times that saved files and folders receive from their catalog
// stamps: FAT keeps local DOS date and time words (seconds in steps of two), NTFS
// UTC file times. A stamp that forms no time, or one outside what this machine's
// file systems hold, gives none: the file keeps the time of its writing.
#pragma once

#include <cstdint>

#include "catalog/RecoveryCatalog.h"
#include "platform/FileTimes.h"

namespace vantor {

bool DosFileTime(uint16_t dosTime, uint16_t dosDate, FileTime& time);
bool NtfsFileTime(const RecordTime& stamp, FileTime& time);
// A catalog stamp (NTFS: a file time; FAT: date in `first`, time in `second`).
bool StampFileTime(const RecordTime& stamp, bool ntfs, FileTime& time);

}  // namespace vantor
