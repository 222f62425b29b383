// The update sequence ("fixup") of file records and index blocks.
//
// Before NTFS writes a multi-sector structure it saves the last two bytes of each
// sector in the update sequence array (offset at +4, entry count at +6: the
// sequence number followed by one entry per sector) and puts the sequence number
// there instead, so that a torn write shows. Reading it back means copying each
// saved pair to the end of its sector. The same rule serves "FILE" records and
// "INDX" blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor {

// Restores, in place, every sector end of the first `length` bytes that the array
// covers. Entries or sector ends outside `length` are left alone; a record whose
// array does not fit is left as it is.
void RestoreUpdateSequence(uint8_t* record, size_t length);

}  // namespace vantor
