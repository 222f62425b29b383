#include "lost/LostPartitionSearch.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/ProgressReport.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr uint32_t kSweepRunSectors = 1000;
constexpr uint32_t kSmallRunSectors = 8;

std::vector<uint8_t> SweepBuffer() {
  try {
    return std::vector<uint8_t>(static_cast<size_t>(kSweepRunSectors) * kSectorSize);
  } catch (const std::bad_alloc&) {
    try {
      return std::vector<uint8_t>(static_cast<size_t>(kSmallRunSectors) * kSectorSize);
    } catch (const std::bad_alloc&) {
      return {};
    }
  }
}

void Sweep(SectorReader& reader, WorkerHost& host, uint64_t start, uint64_t end, std::vector<uint8_t>& buffer,
           LostSearchLists& lists) {
  const auto runSectors = static_cast<uint32_t>(buffer.size() / kSectorSize);
  ProgressReport report;
  for (uint64_t next = start; next < end;) {
    host.pauseGate();
    const auto count = static_cast<uint32_t>(std::min<uint64_t>(runSectors, end - next));
    std::fill(buffer.begin(), buffer.end(), 0);
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
  std::vector<uint8_t> buffer = SweepBuffer();
  if (buffer.empty()) return false;
  host.setProgressRange(100);
  host.setProgress(0);
  host.setStepText(kLostSweepText);
  Sweep(reader, host, state.startSector, state.endSector, buffer, lists);
  buffer = {};
  host.setProgress(0);
  host.setStepText(kLostPhase1Text);
  MatchBootCandidates(lists, host);
  host.setProgress(0);
  host.setStepText(kLostPhase2Text);
  InferFileSystems(lists, Utf16ToUtf8(state.fileSystemName), host);
  return true;
}

}  // namespace vantor
