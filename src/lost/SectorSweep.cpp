#include "lost/SectorSweep.h"

#include <algorithm>

#include "core/AlignedBuffer.h"
#include "core/ProgressReport.h"
#include "core/Sector.h"

namespace vantor {
namespace {

constexpr uint32_t kSweepRunSectors = 1000;
constexpr uint32_t kSmallRunSectors = 8;

}  // namespace

bool SweepSectors(SectorReader& reader, WorkerHost& host, uint64_t start, uint64_t end, const SweepVisit& visit) {
  std::optional<AlignedBuffer> buffer = SectorBuffer(kSweepRunSectors, kSmallRunSectors);
  if (!buffer) return false;
  // A range typed, or a boot sector read, past the end of the source holds
  // nothing to find there.
  if (const uint64_t sourceEnd = reader.sourceSectors(); sourceEnd != 0) end = std::min(end, sourceEnd);
  const auto runSectors = static_cast<uint32_t>(buffer->size() / kSectorSize);
  for (uint64_t next = start; next < end;) {
    host.pauseGate();
    // Sectors that are all zeros hold nothing a search looks for.
    if (const uint64_t data = reader.dataFrom(next); data > next) {
      next = std::min(data, end);
      continue;
    }
    const auto count = static_cast<uint32_t>(std::min<uint64_t>(runSectors, end - next));
    reader.read(next, count, buffer->data());
    for (uint32_t i = 0; i < count; ++i)
      if (!visit(buffer->data() + size_t{i} * kSectorSize, next + i, count - i)) return true;
    next += count;
    host.setProgress(ProgressPercent(next, end));
    if (host.stopRequested()) break;
  }
  return true;
}

std::string SweepCutText(uint64_t sector, uint64_t end, size_t kept, const std::string& what) {
  return "The search stopped at sector " + std::to_string(sector) + ": it holds " + std::to_string(kept) + " " + what +
         ", as many as it keeps. Search the rest of the disk with --range " + std::to_string(sector) + " " +
         std::to_string(end) + ".";
}

}  // namespace vantor
