// A folder's file-name index ($I30): the resident index root (0x90) in its file
// record, the non-resident index allocation (0xA0) whose runs hold the 4096-byte
// "INDX" blocks, and the header of such a block.
//
// Every entry of an index names, in its key (a copy of a file-name value), the
// folder that owns the index as its parent. So the parent reference of the first
// entry tells whose index this is, which the exhaustive scan needs to place index
// blocks found loose on the disk. The positions read in the index root are the
// fixed ones of the usual layout: value at +32, first entry 32 bytes into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/ByteView.h"

namespace vantor {

// The offset of the resident $I30 index root, if the record has one.
std::optional<size_t> FindI30IndexRoot(ByteView record);
// The offset of the $I30 index allocation, if the record has one.
std::optional<size_t> FindI30IndexAllocation(ByteView record);

// The folder's own record number as its index root's first entry states it; 0
// for an empty index root or none.
uint32_t IndexRootDirectoryNumber(ByteView record);

// The logical cluster number of the first run of the $I30 index allocation, or 0.
uint64_t FirstIndexCluster(ByteView record);

struct IndexBlockHeader {
  uint32_t directoryNumber = 0;  // the folder that owns the block
  uint32_t vcn = 0;              // the block's cluster within its index; 0 first
};

// Reads the header of an "INDX" block from its first sector (512 bytes); false
// when the block's sizes do not hold together or it names no plausible folder.
bool ReadIndexBlockHeader(ByteView sector, IndexBlockHeader& header);

}  // namespace vantor
