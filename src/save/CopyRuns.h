// The copy loop shared by FAT and NTFS files: the file's bytes are the first
// `size` bytes of a sequence of sector runs, of which the bytes from `validSize`
// on are zeros (NTFS: the part past the initialized size, which Windows gives as
// zeros whatever the clusters hold). Runs are read in large requests
// (ReadRun) cut at piece boundaries, and the stop flags are polled before every
// request. A sparse run (NTFS, no location on disk) gives zeros without a read.
#pragma once

#include <cstdint>
#include <functional>

namespace vantor {

class OutputFile;
struct SaveContext;

struct SectorRun {
  int64_t first = 0;     // below 0: lies before the source; read as zeros
  uint64_t sectors = 0;
  bool sparse = false;
};

// Gives the next run; false when there is none.
using RunSupplier = std::function<bool(SectorRun&)>;

enum class CopyEnd { kDone, kRunsEnded, kInterrupted, kWriteFailed };

// Reads `count` sectors of `run` from its sector `offset` into `buffer`, in
// requests cut at `piece` boundaries; zeros for a sparse run or sectors before
// the source.
void ReadRunPart(const SaveContext& context, const SectorRun& run, uint64_t offset, uint32_t count, uint32_t piece,
                 uint8_t* buffer);

// Clears the part of the `length` bytes at file offset `written` that lies at or
// past `validSize`.
void ZeroPastValid(uint8_t* bytes, uint64_t written, uint64_t length, uint64_t validSize);

// Copies into `file`; `written` tells how far it got. Each write adds to
// bytesCopied; when `interactive`, the progress is refreshed after each request.
// A failed write ends the copy at once (kWriteFailed).
CopyEnd CopyRuns(const SaveContext& context, OutputFile& file, const RunSupplier& nextRun, uint64_t size,
                 uint64_t validSize, uint32_t pieceSectors, bool interactive, uint64_t& written);

}  // namespace vantor
