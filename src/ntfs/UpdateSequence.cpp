#include "ntfs/UpdateSequence.h"

#include "core/ByteView.h"
#include "core/Sector.h"

namespace vantor {

void RestoreUpdateSequence(uint8_t* record, size_t length) {
  ByteView view(record, length);
  size_t arrayOffset = view.le16(4);
  size_t entries = view.le16(6);
  // Entry 0 is the sequence number itself; entry i belongs to sector i - 1.
  for (size_t i = 1; i < entries; ++i) {
    size_t saved = arrayOffset + 2 * i;
    size_t sectorEnd = kSectorSize * i - 2;
    if (!view.has(saved, 2) || !view.has(sectorEnd, 2)) return;
    record[sectorEnd] = record[saved];
    record[sectorEnd + 1] = record[saved + 1];
  }
}

}  // namespace vantor
