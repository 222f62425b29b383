#include "scan/RunScan.h"

#include <chrono>

#include "core/SizeText.h"
#include "fat/FatScan.h"
#include "logs/Logs.h"
#include "ntfs/NtfsScan.h"
#include "ntfs/RunTables.h"
#include "platform/Utf.h"
#include "scan/WorkerChoice.h"
#include "session/Session.h"

namespace vantor {
namespace {

std::string ElapsedText(uint64_t seconds) {
  return std::to_string(seconds / 3600) + " : " + std::to_string(seconds / 60 % 60) + " : " +
         std::to_string(seconds % 60);
}

}  // namespace

std::vector<std::string> Step3ReportLines(const RecoveryCatalog& catalog, uint64_t elapsedSeconds,
                                          bool exhaustiveSwitch) {
  return {"",
          "Step 3 :",
          "-------",
          exhaustiveSwitch ? "Switching to Exhaustive Mode" : "Analysing Files/Directories Information : ",
          "Time Elapsed : " + ElapsedText(elapsedSeconds),
          "Total Size : " + MegaGigaText(catalog.bytesTotal),
          "Directories Found : " + std::to_string(catalog.directoriesFound),
          "Files Found : " + std::to_string(catalog.filesFound)};
}

ScanReport RunScan(Session& session, bool logReport) {
  RecoveryState& state = session.state;
  const std::string name = Utf16ToUtf8(state.fileSystemName);
  if (state.bootValuesValid != 1) return {false, "the boot sector of the " + name + " volume is not valid", false, {}};
  const auto start = std::chrono::steady_clock::now();
  ScanReport report;
  const WorkerKind worker = ChooseWorker(state);
  if (worker == WorkerKind::kFatScan) {
    FatScanResult result = FatScan(session);
    report = {result.ok, result.failure, result.foundNothing, {}};
  } else if (worker == WorkerKind::kNtfsScan) {
    // Step 3 maps the MFT before the scan starts.
    const VolumeGeometry& geometry = state.geometry;
    BuildMftRunTable(session, session.mftRunTable, state.startSector, geometry.mftSector, geometry.sectorsPerCluster);
    report.ok = true;
    report.foundNothing = NtfsScan(session, session.mftRunTable) == NtfsScanOutcome::kSwitchToExhaustive;
  } else {
    // Each further worker is one more branch here.
    return {false, "no scan is available for the file system " + name, false, {}};
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  report.lines = Step3ReportLines(session.catalog,
                                  static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count()),
                                  state.exhaustiveSwitch == 1);
  if (logReport)
    for (const auto& line : report.lines) AppendLog(kActivityLog, line);
  return report;
}

}  // namespace vantor
