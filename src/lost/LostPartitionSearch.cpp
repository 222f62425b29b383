#include "lost/LostPartitionSearch.h"

#include <algorithm>
#include <optional>

#include "core/AlignedBuffer.h"
#include "core/ProgressReport.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr uint32_t kSweepRunSectors = 1000;
constexpr uint32_t kSmallRunSectors = 8;


void Sweep(SectorReader& reader, WorkerHost& host, uint64_t start, uint64_t end, AlignedBuffer& buffer,
           LostSearchLists& lists) {
  const auto runSectors = static_cast<uint32_t>(buffer.size() / kSectorSize);
  ProgressReport report;
  for (uint64_t next = start; next < end;) {
    host.pauseGate();
    // Sectors that are all zeros hold neither kind of candidate.
    if (const uint64_t data = reader.dataFrom(next); data > next) {
      next = std::min(data, end);
      continue;
    }
    const auto count = static_cast<uint32_t>(std::min<uint64_t>(runSectors, end - next));
    buffer.Clear();
    reader.read(next, count, buffer.data());
    for (uint32_t i = 0; i < count; ++i) {
      NoteSearchSector(ByteView(buffer.data() + static_cast<size_t>(i) * kSectorSize, kSectorSize), next + i, lists);
      report.ReportSector(host, next + i, end, static_cast<uint32_t>(lists.folders.size()),
                          static_cast<uint32_t>(lists.boots.size()), {});
    }
    next += count;
    host.setProgress(std::min<uint64_t>(next * 100 / end, 100));
    if (host.stopRequested()) return;
  }
}

}  // namespace

bool SearchLostFatFileSystems(SectorReader& reader, WorkerHost& host, const RecoveryState& state,
                              LostSearchLists& lists) {
  lists.Clear();
  std::optional<AlignedBuffer> buffer = SectorBuffer(kSweepRunSectors, kSmallRunSectors);
  if (!buffer) return false;
  host.setProgressRange(100);
  host.setProgress(0);
  host.setStepText(kLostSweepText);
  // A range typed past the end of the source holds nothing to find there.
  const uint64_t sourceEnd = reader.sourceSectors();
  Sweep(reader, host, state.startSector, sourceEnd != 0 ? std::min(state.endSector, sourceEnd) : state.endSector,
        *buffer, lists);
  buffer.reset();
  host.setProgress(0);
  host.setStepText(kLostPhase1Text);
  MatchBootCandidates(lists, host);
  host.setProgress(0);
  host.setStepText(kLostPhase2Text);
  InferFileSystems(lists, Utf16ToUtf8(state.fileSystemName), host);
  return true;
}

}  // namespace vantor
