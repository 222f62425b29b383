// The unnamed data attribute (0x80) of a file record: the file's contents.
//
// A file may carry named data attributes too (alternate streams); only the first
// one without a name is the file itself. Small contents are resident (the value
// length at +16 is the size); larger ones are non-resident (real size at +48, run
// list at the offset given at +32).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ByteView.h"
#include "ntfs/FileName.h"

namespace vantor {

// The size of the first unnamed data attribute; false (size 0) when there is none.
bool UnnamedDataSize(ByteView record, WalkVariant variant, uint64_t& size);

enum class DataKind { kNone = 0, kResident = 1, kNonResident = 2 };

struct DataAttributePlace {
  DataKind kind = DataKind::kNone;
  size_t position = 0;  // the attribute's offset in the record
};

// Where the first unnamed data attribute is and whether it is resident.
DataAttributePlace FindDataAttribute(ByteView record);

}  // namespace vantor
