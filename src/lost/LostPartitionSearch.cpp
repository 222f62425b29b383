#include "lost/LostPartitionSearch.h"

#include <algorithm>
#include <optional>

#include "core/ProgressReport.h"
#include "lost/SectorSweep.h"
#include "platform/Utf.h"

namespace vantor {

bool SearchLostFatFileSystems(SectorReader& reader, WorkerHost& host, const RecoveryState& state,
                              LostSearchLists& lists) {
  lists.Clear();
  host.setProgressRange(100);
  host.setProgress(0);
  host.setStepText(kLostSweepText);
  ProgressReport report;
  uint64_t cutAt = 0;
  const bool swept = SweepSectors(reader, host, state.startSector, state.endSector,
                                  [&](const uint8_t* sector, uint64_t number, uint32_t) {
                                    if (lists.boots.size() + lists.folders.size() >= kMaxLostCandidates) {
                                      cutAt = number;
                                      return false;
                                    }
                                    NoteSearchSector(ByteView(sector, kSectorSize), number, lists);
                                    report.ReportSector(host, number, state.endSector,
                                                        static_cast<uint32_t>(lists.folders.size()),
                                                        static_cast<uint32_t>(lists.boots.size()), {});
                                    return true;
                                  });
  if (!swept) return false;
  if (cutAt != 0)
    host.messageInfo(SweepCutText(cutAt, state.endSector, kMaxLostCandidates, "boot sectors and folder starts"));
  // Stop ends the step that runs; the next ones go on with what was found.
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kLostPhase1Text);
  MatchBootCandidates(
      lists, [&](uint64_t first, uint32_t count, uint8_t* buffer) { reader.read(first, count, buffer); }, host);
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kLostPhase2Text);
  InferFileSystems(lists, Utf16ToUtf8(state.fileSystemName), host);
  host.clearStop();
  return true;
}

}  // namespace vantor
