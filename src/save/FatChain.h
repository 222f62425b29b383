// The saver's own cluster list of a FAT file, read from one FAT copy. The walk
// ends at any end mark of its FAT type, at a free entry, at an entry beyond the
// table, or as soon as the list holds more clusters than the file needs, so it
// is bounded even on a chain that loops; a list of the wrong length is not used
// (the file is then read from consecutive clusters).
#pragma once

#include <cstdint>
#include <vector>

namespace vantor {

class FatTable;

// The clusters from `start` by `table`, at most `count` + 1 of them.
std::vector<uint32_t> BuildFatChain(FatTable& table, uint32_t start, uint64_t count);

}  // namespace vantor
