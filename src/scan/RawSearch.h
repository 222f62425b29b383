// Raw recovery as both front ends run it: the types chosen in the activity
// log, the run over the session's range into its saving path with the rules
// built for it, and the report in both logs with the closing text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "raw/RawRecovery.h"
#include "raw/RawRules.h"

namespace vantor {

class Session;

// "Selected Extensions Information : " and the name of each ticked type.
std::vector<std::string> RawChoiceLines(const std::array<bool, kRawTypeCount>& ticked);

// The session's range (state.startSector to state.endSector) into
// savingRun.savingPath, with session.rawRules.
RawRun RawRunOf(const Session& session);
RawOutcome RunRawSearch(Session& session, WorkerHost& host);

// The closing text: aborted, some files not written, or completed.
std::string RawClosingText(const RawOutcome& outcome, bool aborted);

// The Step 3 section of the activity log, the raw block of the recovery log
// (with the run header), and in both "Raw Search Aborted" or "Raw Search
// Completed", the closing text when it is the success, and each file not written.
void LogRawReport(const Session& session, const RawOutcome& outcome, const RawRun& run, uint64_t elapsedSeconds,
                  bool aborted);

}  // namespace vantor
