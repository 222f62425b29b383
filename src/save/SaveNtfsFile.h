// Saving one NTFS file from its file record: small contents are resident in the
// record and written from there; larger ones are read through the runs of the
// unnamed data attribute (following an attribute list), and runs without a place
// on the volume (sparse runs) and the bytes past the initialized size are
// written as zeros. The record's file time (UTC) is the file's last-write time.
#pragma once

#include <cstdint>
#include <string>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct SaveContext;

// `interactive` as for SaveFatFile; `stream` 0 for the file's own data, n for
// its n-th named stream. True when the file was written.
bool SaveNtfsFile(const SaveContext& context, std::string destinationPath, const std::u16string& fileName, uint64_t size,
                  uint64_t recordSector, uint8_t stream, bool interactive, char deleted, const RecordTime& fileTime);

}  // namespace vantor
