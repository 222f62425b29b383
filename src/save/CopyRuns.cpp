#include "save/CopyRuns.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "save/OutputFile.h"
#include "save/Progress.h"
#include "save/SaveContext.h"

namespace vantor {
namespace {

uint64_t RoundUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

void ZeroPastValid(uint8_t* bytes, uint64_t written, uint64_t length, uint64_t validSize) {
  if (written + length <= validSize) return;
  const uint64_t valid = validSize > written ? validSize - written : 0;
  std::memset(bytes + valid, 0, static_cast<size_t>(length - valid));
}

void ReadRunPart(const SaveContext& context, const SectorRun& run, uint64_t offset, uint32_t count, uint32_t piece,
                 uint8_t* buffer) {
  const int64_t first = run.first + static_cast<int64_t>(offset);
  // Zeros first: a source that cannot be opened leaves the buffer untouched,
  // and what it held belongs to another file.
  std::memset(buffer, 0, static_cast<size_t>(count) * kSectorSize);
  if (run.sparse) return;
  // Only the volume's own sectors are read: a damaged run or chain that leads
  // before its start or past its end would otherwise copy another volume's
  // data into the file. Those sectors stay zeros and are counted as damage.
  // A file system found by a search has no known bounds (the range searched
  // may cut it): only the source's start bounds it.
  const RecoveryState& state = context.state;
  const bool bounded = state.partitionSearch == 0;
  const int64_t low = std::max<int64_t>(first, bounded ? static_cast<int64_t>(state.startSector) : 0);
  int64_t high = first + count;
  if (bounded && state.endSector != 0) high = std::min<int64_t>(high, static_cast<int64_t>(state.endSector));
  const uint64_t inside = high > low ? static_cast<uint64_t>(high - low) : 0;
  context.savingRun.sectorsOutsideVolume += count - inside;
  if (inside == 0) return;
  uint8_t* into = buffer + static_cast<size_t>(low - first) * kSectorSize;
  context.reader.readRun(static_cast<uint64_t>(low), static_cast<uint32_t>(inside), piece, into);
  if (!context.savingRun.recordRuns) return;
  auto& runs = context.savingRun.fileRuns;
  if (!runs.empty() && runs.back().first + runs.back().second == static_cast<uint64_t>(low))
    runs.back().second += inside;
  else
    runs.emplace_back(static_cast<uint64_t>(low), inside);
}

CopyEnd CopyRuns(const SaveContext& context, OutputFile& file, const RunSupplier& nextRun, uint64_t size,
                 uint64_t validSize, uint32_t pieceSectors, bool interactive, uint64_t& written) {
  SavingRun& state = context.savingRun;
  uint64_t needed = RoundUp(size, kSectorSize) / kSectorSize;
  const size_t bufferBytes = static_cast<size_t>(std::min<uint64_t>(RoundUp(needed, pieceSectors), kRunSectors)) * kSectorSize;
  std::vector<uint8_t>& buffer = state.copyBuffer;
  if (buffer.size() < bufferBytes) buffer.resize(bufferBytes);
  SectorRun run;
  while (written < size) {
    if (!nextRun(run)) return CopyEnd::kRunsEnded;
    for (uint64_t offset = 0; offset < run.sectors && written < size;) {
      if (state.skipFile != 0 || AbortRequested(context)) return CopyEnd::kInterrupted;
      uint64_t left = RoundUp(RoundUp(size - written, kSectorSize) / kSectorSize, pieceSectors);
      auto count = static_cast<uint32_t>(std::min<uint64_t>({left, run.sectors - offset, kRunSectors}));
      ReadRunPart(context, run, offset, count, pieceSectors, buffer.data());
      uint64_t length = std::min<uint64_t>(static_cast<uint64_t>(count) * kSectorSize, size - written);
      ZeroPastValid(buffer.data(), written, length, validSize);
      if (!file.write(buffer.data(), static_cast<size_t>(length))) return CopyEnd::kWriteFailed;
      written += length;
      state.bytesCopied += length;
      offset += count;
      if (interactive) RefreshProgress(context, written, size, (count + pieceSectors - 1) / pieceSectors);
    }
  }
  return CopyEnd::kDone;
}

}  // namespace vantor
