#include "save/ReadRuns.h"

#include <algorithm>

#include "core/Session.h"
#include "disk/SectorSource.h"

namespace vantor {
namespace {

// Stands in for the session's host while a run is read with questions held back:
// records whether the source would have asked, and answers Skip.
class HeldQuestions : public WorkerHost {
 public:
  int32_t askBadSectors() override {
    asked = true;
    return kSkip;
  }
  bool asked = false;
};

bool QuietRead(Session& session, uint64_t first, uint32_t count, uint8_t* buffer) {
  WorkerHost& host = session.host();
  int32_t policy = session.state.badSectorPolicy;
  HeldQuestions held;
  session.setHost(&held);
  session.state.badSectorPolicy = kSkip;
  ReadCurrentSectors(session, first, count, buffer);
  session.setHost(&host);
  session.state.badSectorPolicy = policy;
  return !held.asked;
}

}  // namespace

void ReadRun(Session& session, uint64_t first, uint32_t count, uint32_t pieceSectors, uint8_t* buffer) {
  int32_t policy = session.state.badSectorPolicy;
  if (policy == kRetryAll || count <= pieceSectors) {
    ReadCurrentSectors(session, first, count, buffer);
    return;
  }
  if (QuietRead(session, first, count, buffer)) return;
  for (uint32_t done = 0; done < count; done += pieceSectors)
    ReadCurrentSectors(session, first + done, std::min(pieceSectors, count - done), buffer + static_cast<size_t>(done) * 512);
}

}  // namespace vantor
