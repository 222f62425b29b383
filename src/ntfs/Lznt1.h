// LZNT1, the compression of NTFS files (attribute flag 0x0001).
//
// A compressed file is cut into compression units (16 clusters as Windows writes
// them). A unit is stored one of three ways: all its clusters allocated (stored
// as it is), none allocated (zeros), or the first few allocated and the rest
// sparse; only then do the allocated clusters hold LZNT1 data. That data is a
// sequence of chunks, each giving 4096 bytes of the unit: a 16-bit header (bits
// 0-11 the chunk's stored length less 3, bit 15 set when compressed), then either
// the 4096 bytes as they are or groups of a flag byte and eight items, each a
// literal byte (flag bit 0) or a 16-bit back-reference (flag bit 1). The
// reference's split between distance and length depends on how far into the
// chunk it stands: the distance takes 4 bits up to position 16 and one bit more
// each time the position doubles, up to 12. A header of 0 ends the unit early;
// what a chunk or the unit does not give is zeros.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ByteView.h"

namespace vantor {

inline constexpr size_t kLznt1ChunkBytes = 4096;

// Decodes the stored data of one unit into `plain`, exactly `plainBytes` bytes
// (the unit's size), all of which are written. False when a chunk is damaged: it
// runs past the data, refers before its start, or gives more than 4096 bytes.
bool DecompressLznt1(ByteView packed, uint8_t* plain, size_t plainBytes);

}  // namespace vantor
