// Run tables built from file records: the MFT's own (kept for the scan and used
// to find any record by number) and one file's data or one folder's index.
//
// The MFT describes itself: record 0 ($MFT) holds the runs of the MFT's data. A
// large, fragmented MFT may need an attribute list, and then its data attribute
// is split into extents held in several records, each with a run list of its own
// that starts from cluster 0. Extents are taken in the list's order, which is the
// order of their first virtual cluster. A damaged record 0 must not make the scan
// read without end: the table keeps to the volume, drops a run that covers sectors
// already in the table, and ends where the MFT's data size ends.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/ByteView.h"
#include "ntfs/MftRunTable.h"

namespace vantor {

class SectorReader;

// The bytes of the record's attribute list, resident or not (a non-resident one
// is read into `storage`); empty when it has none or it is implausibly large.
ByteView AttributeListBytes(SectorReader& reader, ByteView record, uint64_t partitionStart, uint32_t sectorsPerCluster,
                            std::vector<uint8_t>& storage);

// Fills `table` from record 0 at `mftStartSector`; record 5 (the root
// folder) must be a file record too. The record size comes from the reader state's
// geometry, the end of the volume from its end sector. False when the table
// stays empty.
bool BuildMftRunTable(SectorReader& reader, MftRunTable& table, uint64_t partitionStart, uint64_t mftStartSector,
                      uint32_t sectorsPerCluster);

// The first sector of record `recordNumber` through the MFT's table; 0 when the
// number lies beyond the table or in a sparse run.
uint64_t MftRecordSector(const MftRunTable& table, uint64_t recordNumber);

// The runs of the unnamed data attribute (kind 'F') or of the $I30 index
// allocation (kind 'D') of the record at `recordSector`, following its attribute
// list through the MFT's table. Empty when there are none.
MftRunTable BuildRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, uint64_t recordSector, char kind,
                          uint32_t sectorsPerCluster);
// The same for the record at `recordSector` already read (its update sequence
// restored) into `record`.
MftRunTable BuildRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, ByteView record, uint64_t recordSector,
                          char kind, uint32_t sectorsPerCluster);

// The runs of the named stream `stream` of the record at `recordSector`, read
// into `base`, following its attribute list as BuildRunTable does.
MftRunTable StreamRunTable(SectorReader& reader, const MftRunTable& mft, uint64_t partitionStart, ByteView base,
                           uint64_t recordSector, std::u16string_view stream, uint32_t sectorsPerCluster);

}  // namespace vantor
