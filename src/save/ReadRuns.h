// Reading file contents in large runs. The saver's unit of reading is a piece (8
// sectors on volumes with clusters of 4 KiB or more, else 1 sector); reading a
// large file piece by piece costs one request per piece, far below the speed of
// the disk. ReadRun reads up to kRunSectors in one request and gives the bytes and
// the bad-sector questions of the piece-wise reads:
//
// - under Retry All nothing is asked and every bad sector is read again on its
//   own either way, so the run is read at once;
// - otherwise the run is first read with the questions held back; when the source
//   would have asked, the run is read again piece by piece, which asks exactly
//   the questions of the piece-wise reads and leaves their bytes. Under Skip All
//   this keeps the loss to the pieces that hold a bad sector, where a skipped
//   run would lose a whole chunk of 40 sectors.
#pragma once

#include <cstdint>

namespace vantor {

class Session;

inline constexpr uint32_t kRunSectors = 2048;  // 1 MiB per request

// Reads `count` sectors from `first` of the current source into `buffer`.
void ReadRun(Session& session, uint64_t first, uint32_t count, uint32_t pieceSectors, uint8_t* buffer);

}  // namespace vantor
