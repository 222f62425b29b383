// The records over which one file's attributes are spread: the base record, as
// read, and the extension records its attribute list names (see
// ExtensionRecords.h), each read through the MFT's table when first needed. The
// attribute list is the file's whole attribute set, so its names, its data size
// and its named streams are looked for in all of them, the base record first.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/ByteView.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileName.h"
#include "ntfs/MftRunTable.h"
#include "ntfs/NtfsRecord.h"

namespace vantor {

class SectorReader;

// A named stream and the record of the spread (its index) that holds it.
struct SpreadStream {
  NamedStream stream;
  size_t record = 0;
};

class SpreadRecord {
 public:
  // `base` is the record at `baseSector` (its update sequence restored; where
  // record `number` lies by the MFT's table when not given), number `number`
  // of the MFT; a list entry that names the base record itself, by number or by
  // where it lies, is not read again.
  SpreadRecord(SectorReader& reader, const MftRunTable& mft, ByteView base, uint32_t number,
               std::optional<uint64_t> baseSector = std::nullopt);

  // Record i of the spread; an empty view when it cannot be read.
  ByteView at(size_t i);
  size_t count() const { return numbers_.count(); }

  // Every file-name value of the records, in their order, and the times of the
  // standard information on the way.
  std::vector<FileNameValue> FileNames(WalkVariant variant, StandardTimes& times);
  // The size of the first unnamed data attribute of any of the records, or 0.
  uint64_t DataSize(WalkVariant variant);
  // The named streams of the records in their order, at most
  // kMaxStreamsPerFile: stream n of the file is the n-th.
  std::vector<SpreadStream> Streams();

 private:
  struct Loaded {
    bool tried = false;
    bool ok = false;
    std::array<uint8_t, kMaxMftRecordBytes> bytes{};
  };
  SectorReader& reader_;
  const MftRunTable& mft_;
  ByteView base_;
  ExtensionRecords numbers_;
  std::vector<Loaded> loaded_;
};

}  // namespace vantor
