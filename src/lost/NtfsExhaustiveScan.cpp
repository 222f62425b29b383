#include "lost/NtfsExhaustiveScan.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "catalog/LostRecords.h"
#include "core/ProgressReport.h"
#include "lost/SectorSweep.h"
#include "lost/SpreadStreams.h"
#include "ntfs/NtfsRecord.h"

namespace vantor {
namespace {

constexpr int kCaptionSizeLabel = 1052;

}  // namespace

SectorRange FoundRange(const LostSearchLists& lists, int32_t number) {
  if (number < 1 || static_cast<size_t>(number) > lists.found.size()) return {0, UINT64_MAX};
  const FoundFileSystem& own = lists.found[static_cast<size_t>(number) - 1];
  if (own.endSector <= own.startSector) return {0, UINT64_MAX};
  // One found from folder pairs reaches to the end of the range searched: it
  // ends where the next file system found begins.
  uint64_t end = own.endSector;
  for (const FoundFileSystem& other : lists.found)
    if (other.startSector > own.startSector) end = std::min(end, other.startSector);
  return {own.startSector, end};
}

MftRunTable FoundRecordMap(const LostSearchLists& lists, int32_t number) {
  const SectorRange range = FoundRange(lists, number);
  return RecordMapOf(lists.ntfs, range.start, range.end);
}

bool SearchNtfsRecords(SectorReader& reader, WorkerHost& host, const RecoveryState& state, LostSearchLists& lists) {
  lists.Clear();
  NtfsCandidates& candidates = lists.ntfs;
  const SectorsRead read = [&](uint64_t first, uint32_t count, uint8_t* buffer) { reader.read(first, count, buffer); };
  host.setProgressRange(100);
  host.setStepText(kNtfsSweepText);
  ProgressReport report;
  std::array<uint8_t, kNtfsCandidateRecordBytes> straddling{};
  // A disk whose every sector looks like a record (a crafted image) would
  // otherwise fill memory: the search stops there and says where.
  const bool search = state.partitionSearch == 1;
  uint64_t cutAt = 0;
  const bool swept = SweepSectors(
      reader, host, state.startSector, state.endSector, [&](const uint8_t* at, uint64_t number, uint32_t inRun) {
        const size_t kept =
            candidates.folders.size() + candidates.files.size() + candidates.blocks.size() + candidates.boots.size();
        if (search && kept >= kMaxNtfsSearchCandidates) {
          cutAt = number;
          return false;
        }
        const ByteView sector(at, kSectorSize);
        const uint8_t* record = at;
        // A record that runs past the run is read whole on its own.
        if (inRun * kSectorSize < kNtfsCandidateRecordBytes && sector.matches(0, "FILE")) {
          straddling.fill(0);
          reader.read(number, kNtfsCandidateRecordBytes / kSectorSize, straddling.data());
          record = straddling.data();
        }
        NoteNtfsSector(sector, number, record, state.partitionSearch == 1, candidates);
        report.ReportSector(host, number, state.endSector, static_cast<uint32_t>(candidates.folders.size()),
                            static_cast<uint32_t>(candidates.files.size()), {});
        return true;
      });
  if (!swept) return false;
  if (cutAt != 0)
    host.messageInfo(SweepCutText(cutAt, state.endSector, kMaxNtfsSearchCandidates,
                                  "file records, index blocks and boot sectors"));
  // Stop ends the step that runs; the next ones go on with what was found.
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kNtfsFolderNumbersText);
  NumberFoldersFromIndexBlocks(candidates, read, host);
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kNtfsFileNumbersText);
  NumberRecordsByDiskOrder(candidates, host);
  TakeExtensionSizes(candidates);
  if (!search) AddSpreadStreams(candidates, reader);
  host.clearStop();
  host.setProgress(0);
  host.setStepText(kNtfsConfirmText + std::string("0"));
  const auto confirm = [&](uint64_t start, uint32_t perCluster, uint64_t end) {
    const auto number = static_cast<int32_t>(lists.found.size() + 1);
    if (!ConfirmFileSystem(candidates, read, start, perCluster, end, number, host)) return;
    lists.found.push_back({.name = "NTFS", .sectorsPerCluster = perCluster, .startSector = start, .endSector = end});
    host.setStepText(kNtfsConfirmText + std::to_string(lists.found.size()));
  };
  if (state.partitionSearch == 1 && !candidates.boots.empty()) {
    for (const NtfsBootCandidate& boot : candidates.boots) {
      host.pauseGate();
      if (host.stopRequested()) break;
      confirm(boot.sector, boot.sectorsPerCluster, boot.sector + boot.totalSectors);
    }
  } else if (state.geometry.sectorsPerCluster != 0) {
    confirm(state.startSector, state.geometry.sectorsPerCluster, state.endSector);
  }
  host.clearStop();
  host.setProgress(0);
  for (const NtfsFound& found : FindFileSystemsFromFolderPairs(candidates, read, state.endSector,
                                                               static_cast<int32_t>(lists.found.size() + 1), host))
    lists.found.push_back(
        {.name = "NTFS", .sectorsPerCluster = found.sectorsPerCluster, .startSector = found.start, .endSector = found.end});
  host.clearStop();
  candidates.blocks = {};
  candidates.boots = {};
  return true;
}

bool DumpNtfsFileSystem(RecoveryCatalog& catalog, WorkerHost& host, const LostSearchLists& lists, int32_t number) {
  const NtfsCandidates& candidates = lists.ntfs;
  const auto fileSystem = static_cast<int16_t>(number);
  host.setProgressRange(100);
  host.setStepText(kNtfsDumpText);
  host.setCaption(kCaptionSizeLabel, "Total Size                  :-");
  // The records of an earlier choice are replaced: the candidates stay with the
  // search until it is discarded.
  catalog.FreeCatalog();
  if (!candidates.folders.empty() &&
      !catalog.AddFolder({.shortName = "Lost", .parentKey = kNtfsRootKey, .ownKey = LostKey, .fileSystemNumber = fileSystem}))
    return false;
  const uint64_t total = candidates.folders.size() + candidates.files.size();
  uint64_t done = 0;
  // The sequence of each folder's record, for the names that expect another
  // (see FolderRecordReused).
  std::unordered_map<uint32_t, std::pair<uint16_t, bool>> sequences;
  for (const NtfsFolderCandidate& folder : candidates.folders) {
    host.pauseGate();
    if (host.stopRequested()) break;
    if (folder.fileSystemNumber == number) sequences[folder.ownKey] = {folder.sequence, folder.deleted == 'y'};
    if (folder.ownKey != kNtfsRootKey &&
        !catalog.AddFolder({.longName = folder.name,
                            .deleted = folder.deleted,
                            .parentKey = folder.parentKey,
                            .ownKey = folder.ownKey,
                            .recordSector = folder.recordSector,
                            .times = folder.times,
                            .fileSystemNumber = static_cast<int16_t>(folder.fileSystemNumber)}))
      return false;
    host.setProgress(ProgressPercent(++done, total));
  }
  host.clearStop();
  // Files carry no file-system number: those of another file system found are
  // told apart by where their records lie.
  const SectorRange own = FoundRange(lists, number);
  ProgressReport report;
  // A record found twice (the first records and their copies in $MFTMirr) is
  // listed once, where it was found first.
  std::unordered_set<std::u16string> listed;
  const auto firstTime = [&](const NtfsFileCandidate& file) {
    if (file.ownKey == 0) return true;
    std::u16string key = file.name;
    for (uint32_t value : {file.ownKey, file.parentKey}) {
      key += static_cast<char16_t>(value >> 16);
      key += static_cast<char16_t>(value);
    }
    return listed.insert(std::move(key)).second;
  };
  // A base record's entry by its number, for the names found in its
  // extension records.
  std::unordered_map<uint32_t, const NtfsFileCandidate*> bases;
  for (const NtfsFileCandidate& file : candidates.files)
    if (!file.fromExtension && file.stream == 0 && file.ownKey != 0 && file.recordSector >= own.start &&
        file.recordSector < own.end)
      bases.emplace(file.ownKey, &file);
  for (const NtfsFileCandidate& found : candidates.files) {
    host.pauseGate();
    if (host.stopRequested()) break;
    ++done;
    if (found.recordSector < own.start || found.recordSector >= own.end) continue;
    // A name of an extension record takes the rest from its base record's
    // entry; without one it has no contents to give.
    const NtfsFileCandidate* record = &found;
    if (found.fromExtension) {
      const auto base = bases.find(found.ownKey);
      if (base == bases.end()) continue;
      record = base->second;
    }
    // A base record whose names all lie in extension records is listed by those.
    if (found.name.empty() || !firstTime(found)) continue;
    const auto folder = sequences.find(found.parentKey);
    const bool reused = record->deleted == 'y' && folder != sequences.end() &&
                        FolderRecordReused(found.parentSequence, folder->second.first, folder->second.second);
    if (!catalog.AddFile({.longName = found.name,
                          .deleted = record->deleted,
                          .size = record->size,
                          .parentKey = reused ? LostKey : found.parentKey,
                          .ownKey = found.ownKey == kMftCandidateKey && found.name == u"$MFT" ? 0 : found.ownKey,
                          .recordSector = record->recordSector,
                          .times = record->times,
                          .stream = found.stream}))
      return false;
    catalog.bytesTotal += record->size;
    report.Report(host, catalog.bytesTotal, catalog.directoriesFound, catalog.filesFound, found.name);
    host.setProgress(ProgressPercent(done, total));
  }
  host.clearStop();
  host.setStepText(kNtfsLostFoldersText);
  return HangOrphansUnderLost(catalog, kNtfsRootKey, fileSystem);
}

}  // namespace vantor
