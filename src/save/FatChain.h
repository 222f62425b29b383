// The saver's own cluster list of a FAT file, read from one FAT copy. The walk
// ends at any end mark of its FAT type, at a free entry, or as soon as the list
// holds more clusters than the file needs, so it is bounded even on a chain that
// loops; a list of the wrong length is not used (the file is then read from
// consecutive clusters). FAT sectors are read once for all the entries they hold.
#pragma once

#include <cstdint>
#include <vector>

namespace vantor {

class Session;

// The clusters from `start` by the FAT that begins at `fatStart`, at most
// `count` + 1 of them.
std::vector<uint32_t> BuildFatChain(Session& session, uint32_t start, uint64_t fatStart, uint64_t count);

}  // namespace vantor
