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
  const bool swept = SweepSectors(reader, host, state.startSector, state.endSector,
                                  [&](const uint8_t* sector, uint64_t number, uint32_t) {
                                    NoteSearchSector(ByteView(sector, kSectorSize), number, lists);
                                    report.ReportSector(host, number, state.endSector,
                                                        static_cast<uint32_t>(lists.folders.size()),
                                                        static_cast<uint32_t>(lists.boots.size()), {});
                                  });
  if (!swept) return false;
  // Stop ends the step that runs; the next ones go on with what was found.
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kLostPhase1Text);
  MatchBootCandidates(lists, host);
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kLostPhase2Text);
  InferFileSystems(lists, Utf16ToUtf8(state.fileSystemName), host);
  host.clearStop();
  return true;
}

}  // namespace vantor
