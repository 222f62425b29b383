// The run header that opens each run in the logs: the start marker, then the
// title, the version and the local time at which the run began, spelled with
// English names ("9:05 - Sunday, December 06, 2026").
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace vantor {

inline constexpr const char* kStartMarker = "-----------------------Start--------------------------";

std::string StartTimeLine(const std::tm& local);
// The title, version and start-time lines of a run begun at `start`.
std::vector<std::string> RunHeaderLines(std::time_t start);
// Appends the start marker and the header of the run begun at `startTime` to a log.
void LogRunStart(std::time_t startTime, int selector);

}  // namespace vantor
