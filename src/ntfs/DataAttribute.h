// The unnamed data attribute (0x80) of a file record: the file's contents.
//
// A file may carry named data attributes too (alternate streams); only the first
// one without a name is the file itself. Small contents are resident (the value
// length at +16 is the size); larger ones are non-resident (real size at +48, run
// list at the offset given at +32).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"
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

// A named data attribute that begins a stream (resident, or non-resident from
// virtual cluster 0): its name (UTF-16 at the offset given at +10, the count of
// characters at +9) and size.
struct NamedStream {
  std::u16string name;
  uint64_t size = 0;
  DataAttributePlace place;
};

// The record's named streams in the order of its attributes, at most
// kMaxStreamsPerFile. Stream n of a file is the n-th of them, counted from 1.
std::vector<NamedStream> NamedStreams(ByteView record);

// Where the data of stream `stream` is: 0 for the file's own data, n for its
// n-th named stream.
DataAttributePlace FindDataAttribute(ByteView record, uint8_t stream);

}  // namespace vantor
