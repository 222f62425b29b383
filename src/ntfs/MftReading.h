// Reading file records through the sector source: one record at a sector, or any
// stretch of the MFT's data through its run table.
//
// The MFT's data is a stream of records (1024 bytes on most volumes) laid over the
// table's runs in order; record n starts at byte n times the record size of that
// stream, so with small clusters a record may begin in one run and end in the next. Reading by stream
// sector covers that case and lets the scan read many records per call.
#pragma once

#include <cstdint>

#include "ntfs/MftRunTable.h"

namespace vantor {

class SectorReader;

// Reads `count` sectors of the data that `table` maps (the MFT's, or any
// attribute's) from its sector `streamSector` on.
// Sectors of sparse runs and beyond the table read as zeros, and so does any
// sector the source cannot deliver, so stale bytes are never taken for a record.
void ReadRunSectors(SectorReader& reader, const MftRunTable& table, uint64_t streamSector, uint32_t count,
                    uint8_t* buffer);

// Reads the file record of `recordSectors` sectors at `sector` into `buffer`
// (kMaxMftRecordBytes) and restores its update sequence; false when it is not
// a "FILE" record.
bool ReadRecordAt(SectorReader& reader, uint64_t sector, uint32_t recordSectors, uint8_t* buffer);

// Reads record `number` of the MFT through `table` (of the table's record
// size), as ReadRecordAt.
bool ReadMftRecord(SectorReader& reader, const MftRunTable& table, uint64_t number, uint8_t* buffer);

}  // namespace vantor
