#include "scan/RawSearch.h"

#include "logs/Logs.h"
#include "logs/RunHeader.h"
#include "session/Session.h"

namespace vantor {

std::vector<std::string> RawChoiceLines(const std::array<bool, kRawTypeCount>& ticked) {
  std::vector<std::string> lines{"Selected Extensions Information : "};
  for (size_t i = 0; i < kRawTypeCount; ++i)
    if (ticked[i]) lines.push_back(kRawTypeNames[i]);
  return lines;
}

RawRun RawRunOf(const Session& session) {
  return {session.state.startSector, session.state.endSector, session.savingRun.savingPath};
}

RawOutcome RunRawSearch(Session& session, WorkerHost& host) {
  return RunRawRecovery(session.reader, host, session.rawRules, RawRunOf(session));
}

std::string RawClosingText(const RawOutcome& outcome, bool aborted) {
  if (aborted) return kRawAbortedText;
  if (!outcome.failure.empty()) return "Nothing could be written: " + outcome.failure;
  if (!outcome.complete() && outcome.filesNotWritten == 0) return "The raw report could not be written";
  if (!outcome.complete())
    return std::to_string(outcome.filesNotWritten) + " of the " + std::to_string(outcome.filesFound) +
           " files found could not be written";
  return kRawCompletedText;
}

void LogRawReport(const Session& session, const RawOutcome& outcome, const RawRun& run, uint64_t elapsedSeconds,
                  bool aborted) {
  const std::vector<std::string> lines = RawReportLines(outcome, run, elapsedSeconds);
  std::vector<std::string> activity{"Raw Recovery for Selected Extensions : "};
  activity.insert(activity.end(), lines.begin(), lines.end());
  AppendLogSection(kActivityLog, "Step 3 :", activity);
  std::vector<std::string> recovery{"-----------------------Start--------------------------"};
  for (const std::string& line : RunHeaderLines(session.startTime)) recovery.push_back(line);
  recovery.insert(recovery.end(), {"", "Raw Recovery for Selected Extensions :", "-------------------------------------"});
  recovery.insert(recovery.end(), lines.begin(), lines.end());
  for (const std::string& line : recovery) AppendLog(kRecoveryLog, line);
  std::vector<std::string> ending{aborted ? "Raw Search Aborted" : "Raw Search Completed"};
  if (!aborted && outcome.complete()) ending.push_back(kRawCompletedText);
  for (const std::string& problem : outcome.problems) ending.push_back("Not written: " + problem);
  for (int selector : {kActivityLog, kRecoveryLog})
    for (const std::string& line : ending) AppendLog(selector, line);
}

}  // namespace vantor
