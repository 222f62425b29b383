// Where a file's contents are, from its file record: resident in the record (the
// unnamed data attribute's value, which follows its 24-byte header), or in the
// runs of the non-resident attribute (following an attribute list). A
// non-resident attribute says how much of the file was ever written (the
// initialized size, 64-bit at +56); when the attribute lies in an extension
// record, the whole file counts as written. A compressed attribute is read a
// compression unit at a time (see Lznt1.h). The record is read once, its update
// sequence restored, and everything after reads from that copy.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "core/ByteView.h"
#include "core/RecoveryState.h"
#include "ntfs/MftRunTable.h"
#include "ntfs/NtfsRecord.h"

namespace vantor {

class SectorReader;

struct FileContent {
  enum class Kind { kNone, kResident, kRuns };
  Kind kind = Kind::kNone;
  // kResident: the value, `size` bytes inside `record`.
  ByteView resident;
  // kRuns: the runs of the data, and how many of the file's bytes were ever
  // written (the initialized size at +56 of the attribute header; the rest
  // reads as zeros).
  MftRunTable runs;
  uint64_t validBytes = 0;
  // The sectors of one compression unit; 0 when the data is stored as it is.
  uint64_t unitSectors = 0;
  std::array<uint8_t, kMaxMftRecordBytes> record{};
};

// Reads `count` sectors from `first`; the saver reads records through a window.
using RecordRead = std::function<uint32_t(uint64_t first, uint32_t count, uint8_t* buffer)>;

// The contents of a file of `size` bytes whose record lies at `recordSector`:
// its own data (`stream` 0) or its n-th named stream, counted over the base
// record and its extension records (see SpreadRecord.h).
// kNone when the record has no unnamed data attribute, its resident value does
// not lie inside the record, its runs cannot be had, or it is compressed in
// units larger than a read request.
void FindFileContent(SectorReader& reader, const RecordRead& readRecord, const MftRunTable& mft,
                     const VolumeGeometry& geometry, uint64_t recordSector, uint64_t size, uint8_t stream,
                     FileContent& content);

}  // namespace vantor
