// The one entry point of Step 3 for file-system scans: it runs the worker that
// ChooseWorker picks for RecoveryState, then writes the step's report to the
// activity log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor {

class Session;
class RecoveryCatalog;

struct ScanReport {
  bool ok = false;
  std::string failure;             // what to tell the user when not ok
  bool searchFinished = false;     // a lost-partition search ran: its file systems are listed next
  std::vector<std::string> lines;  // the Step 3 section as logged
};

// `logReport`: write the Step 3 section to the activity log; the wizard writes its
// own, with the elapsed time that its clock shows.
ScanReport RunScan(Session& session, bool logReport = true);

// The section of a lost-partition search: "", "Step 2 (b) :", "-------", the
// heading, "Time Elapsed : ", "Directories Found : " (folder candidates), "Files
// Found : " (boot sector candidates).
std::vector<std::string> SearchReportLines(uint64_t elapsedSeconds, uint64_t folders, uint64_t bootSectors);

// The Step 3 section: "", "Step 3 :", "-------", the heading, "Time Elapsed : ",
// "Total Size : ", "Directories Found : ", "Files Found : ".
std::vector<std::string> Step3ReportLines(const RecoveryCatalog& catalog, uint64_t elapsedSeconds,
                                          bool exhaustiveSwitch);

}  // namespace vantor
