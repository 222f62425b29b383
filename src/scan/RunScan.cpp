#include "scan/RunScan.h"

#include <chrono>

#include "core/ElapsedText.h"
#include "core/SizeText.h"
#include "catalog/LostRecords.h"
#include "fat/FatExhaustiveScan.h"
#include "fat/FatScan.h"
#include "lost/FoundFileSystems.h"
#include "lost/FoundFolders.h"
#include "lost/LostPartitionSearch.h"
#include "lost/NtfsExhaustiveScan.h"
#include "logs/Logs.h"
#include "ntfs/NtfsScan.h"
#include "ntfs/RunTables.h"
#include "platform/Utf.h"
#include "scan/WorkerChoice.h"
#include "session/Session.h"
#include "state/SearchState.h"

namespace vantor {
namespace {

// Whatever the scan or the saved state holds, every record is reached from the
// root: the browser, the listing and the saver walk the same tree.
bool HangUnreachedRecords(Session& session) {
  const RecoveryState& state = session.state;
  const uint32_t root = state.fileSystem() == FileSystemKind::kNtfs ? kNtfsRootKey : kFatRootKey;
  return HangOrphansUnderLost(session.catalog, root, static_cast<int16_t>(state.selectedFileSystem));
}

uint64_t SecondsSince(std::chrono::steady_clock::time_point start) {
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

// The second pass of a lost-partition search: the folders it saw become
// records, and the chosen file system is scanned from its root and folders.
FatScanResult ScanFoundFileSystem(Session& session) {
  RecoveryState& state = session.state;
  state.selectedFileSystem = FoundFileSystemNumber(state.selectedPartitionText);
  if (!PrepareFoundFolders(session.catalog, session.host(), session.lostSearch, state.selectedFileSystem)) {
    session.host().messageInfo("Out Of Memory");
    return {false, "Out Of Memory", false};
  }
  return FatExhaustiveScan(session);
}

// The exhaustive scan of the chosen NTFS volume: file system 1 is the volume
// itself when its folders confirm it.
bool ScanNtfsExhaustively(Session& session) {
  session.state.selectedFileSystem = 1;
  const bool ok = SearchNtfsRecords(session.reader, session.host(), session.state, session.lostSearch) &&
                  DumpNtfsFileSystem(session.catalog, session.host(), session.lostSearch, 1);
  if (session.mftRunTable.empty()) session.mftRunTable = FoundRecordMap(session.lostSearch, 1);
  session.lostSearch.Clear();
  return ok;
}

// A saved state read instead of the volume: a search's candidates end like the
// search (its file systems are listed next), a scan's catalog like the scan.
ScanReport LoadSavedState(Session& session, std::chrono::steady_clock::time_point start) {
  RecoveryState& state = session.state;
  // A scan of a found file system keeps the search's flags: the file's kind tells.
  StateKind kind = StateKind::kScan;
  StateKindOf(state.stateFilePath, kind);
  const bool search = kind == StateKind::kSearch;
  if (search) state.searchPass = 1;
  std::string problem = LoadStateLists(state, session.host(), session.catalog, session.lostSearch);
  if (!problem.empty()) {
    state.stateLoaded = 0;
    return {false, problem, false, {}};
  }
  if (search) {
    const LostSearchLists& lists = session.lostSearch;
    const bool ntfs = state.fileSystem() == FileSystemKind::kNtfs;
    return {true, {}, true,
            SearchReportLines(SecondsSince(start), ntfs ? lists.ntfs.folders.size() : lists.folders.size(),
                              ntfs ? lists.ntfs.files.size() : lists.boots.size())};
  }
  if (!HangUnreachedRecords(session)) return {false, "Out Of Memory", false, {}};
  // Saving from an MFT follows extension records through the MFT's runs.
  if (state.fileSystem() == FileSystemKind::kNtfs && state.exhaustiveSwitch != 1 && state.partitionSearch != 1)
    BuildMftRunTable(session, session.mftRunTable, state.startSector, state.geometry.mftSector,
                     state.geometry.sectorsPerCluster);
  return {true, {}, false, Step3ReportLines(session.catalog, SecondsSince(start), state.exhaustiveSwitch == 1)};
}

}  // namespace

std::vector<std::string> SearchReportLines(uint64_t elapsedSeconds, uint64_t folders, uint64_t bootSectors) {
  return {"",
          "Step 2 (b) :",
          "-------",
          "Analysing Files/Directories Information : ",
          "Time Elapsed : " + ElapsedText(elapsedSeconds),
          "Directories Found : " + std::to_string(folders),
          "Files Found : " + std::to_string(bootSectors)};
}

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
  const auto start = std::chrono::steady_clock::now();
  const WorkerKind worker = ChooseWorker(state);
  const auto finish = [&](ScanReport report) {
    if (logReport)
      for (const auto& line : report.lines) AppendLog(kActivityLog, line);
    return report;
  };
  if (state.stateLoaded == 1) return finish(LoadSavedState(session, start));
  const bool ntfsSearch = worker == WorkerKind::kNtfsExhaustiveScan && state.partitionSearch == 1;
  if ((worker == WorkerKind::kFatLostPartitionSearch || ntfsSearch) && state.searchPass == 0) {
    state.searchPass = 1;
    LostSearchLists& lists = session.lostSearch;
    const bool ok = ntfsSearch ? SearchNtfsRecords(session.reader, session.host(), state, lists)
                               : SearchLostFatFileSystems(session.reader, session.host(), state, lists);
    if (!ok) return {false, "Not Enough Memory", false, {}};
    const uint64_t folders = ntfsSearch ? lists.ntfs.folders.size() : lists.folders.size();
    const uint64_t others = ntfsSearch ? lists.ntfs.files.size() : lists.boots.size();
    return finish({true, {}, true, SearchReportLines(SecondsSince(start), folders, others)});
  }
  ScanReport report;
  if (worker == WorkerKind::kNtfsChosenFileSystem) {
    state.selectedFileSystem = FoundFileSystemNumber(state.selectedPartitionText);
    report.ok = DumpNtfsFileSystem(session.catalog, session.host(), session.lostSearch, state.selectedFileSystem) &&
                HangUnreachedRecords(session);
    session.mftRunTable = FoundRecordMap(session.lostSearch, state.selectedFileSystem);
    if (!report.ok) report.failure = "Out Of Memory";
    report.lines = Step3ReportLines(session.catalog, SecondsSince(start), state.exhaustiveSwitch == 1);
    return finish(std::move(report));
  }
  if (state.bootValuesValid != 1) return {false, "the boot sector of the " + name + " volume is not valid", false, {}};
  if (worker == WorkerKind::kFatScan || worker == WorkerKind::kFatExhaustiveScan ||
      worker == WorkerKind::kFatLostPartitionSearch) {
    FatScanResult result = worker == WorkerKind::kFatScan            ? FatScan(session)
                           : worker == WorkerKind::kFatExhaustiveScan ? FatExhaustiveScan(session)
                                                                      : ScanFoundFileSystem(session);
    if (result.ok && result.foundNothing && !session.host().stopRequested()) {
      // A volume whose directories are gone: the exhaustive scan takes over.
      state.exhaustiveSwitch = 1;
      result = FatExhaustiveScan(session);
    }
    report = {result.ok, result.failure, false, {}};
  } else if (worker == WorkerKind::kNtfsScan || worker == WorkerKind::kNtfsExhaustiveScan) {
    bool exhaustive = worker == WorkerKind::kNtfsExhaustiveScan;
    if (!exhaustive) {
      // Step 3 maps the MFT before the scan starts.
      const VolumeGeometry& geometry = state.geometry;
      BuildMftRunTable(session, session.mftRunTable, state.startSector, geometry.mftSector, geometry.sectorsPerCluster);
      // A volume whose MFT is gone: the exhaustive scan takes over.
      exhaustive = NtfsScan(session, session.mftRunTable) == NtfsScanOutcome::kSwitchToExhaustive &&
                   !session.host().stopRequested();
      if (exhaustive) state.exhaustiveSwitch = 1;
    }
    report.ok = !exhaustive || ScanNtfsExhaustively(session);
    if (!report.ok) report.failure = "Not Enough Memory";
  } else {
    // Each further worker is one more branch here.
    return {false, "no scan is available for the file system " + name, false, {}};
  }
  if (report.ok && !HangUnreachedRecords(session)) report = {false, "Out Of Memory", false, {}};
  report.lines = Step3ReportLines(session.catalog, SecondsSince(start), state.exhaustiveSwitch == 1);
  return finish(std::move(report));
}

}  // namespace vantor
