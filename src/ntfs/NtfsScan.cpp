#include "ntfs/NtfsScan.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include "catalog/LostRecords.h"
#include "core/ProgressReport.h"
#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/FileName.h"
#include "ntfs/MftReading.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/RunTables.h"
#include "ntfs/SpreadRecord.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {
namespace {

constexpr uint32_t kBatchSectors = 512;  // 256 KiB of records per read

// Lists each named stream of the file as "name:stream" beside it.
void AddNamedStreams(RecoveryCatalog& catalog, const std::vector<SpreadStream>& streams, NewFile file) {
  if (file.ownKey == kBadClustersRecord) return;
  const std::u16string fileName(file.longName);
  uint8_t ordinal = 0;
  for (const SpreadStream& spread : streams) {
    const NamedStream& stream = spread.stream;
    const std::u16string name = fileName + u':' + stream.name;
    file.longName = name;
    file.size = stream.size;
    file.stream = ++ordinal;
    if (!catalog.AddFile(file)) return;
    catalog.bytesTotal += stream.size;
  }
}

// A deleted record's name points at its folder's record by number and by that
// record's sequence number, which NTFS raises each time the record is freed.
// When the folder's record has since been given to another folder, the number
// leads there, but the sequence tells it is not the folder the name was in: the
// record goes under "Lost", as The Sleuth Kit puts it among its orphans.
class ParentSequences {
 public:
  void NoteFolder(uint32_t number, uint16_t sequence, bool deleted) {
    if (sequence != 0) folders_[number] = {sequence, deleted};
  }
  // The files added from `firstFile` on (or the folder `folder`) belong to the
  // deleted record whose name is `name`.
  void NoteDeleted(const FileNameValue& name, size_t firstFile, size_t endFile, uint32_t folder) {
    if (name.parentSequence != 0) deleted_.push_back({firstFile, endFile, folder, name.parentNumber, name.parentSequence});
  }
  // Moves the records whose folder's record was reused under "Lost".
  void HangMismatched(RecoveryCatalog& catalog) const {
    for (const Deleted& d : deleted_) {
      const auto found = folders_.find(d.parent);
      const Folder now = found != folders_.end() ? found->second : Folder{};
      if (!FolderRecordReused(d.sequence, now.sequence, now.deleted)) continue;
      for (size_t i = d.firstFile; i < d.endFile; ++i) catalog.files()[i].parentKey = LostKey;
      if (d.firstFile == d.endFile)
        if (FolderRecord* folder = catalog.FindFolder(d.folder, 0)) folder->parentKey = LostKey;
    }
  }

 private:
  struct Deleted {
    size_t firstFile, endFile;
    uint32_t folder;
    uint32_t parent;
    uint16_t sequence;
  };
  struct Folder {
    uint16_t sequence = 0;  // 0: no folder
    bool deleted = false;
  };
  std::unordered_map<uint32_t, Folder> folders_;  // by record number
  std::vector<Deleted> deleted_;
};

// Decodes one file record and adds it to the catalog; false when it was passed over.
bool AddRecord(const ScanContext& context, const MftRunTable& mft, uint8_t* bytes, uint32_t number,
               ParentSequences& sequences, ProgressReport& progress) {
  const size_t recordBytes = mft.recordBytes();
  ByteView record(bytes, recordBytes);
  if (!IsFileRecord(record) || number == kNtfsRootRecord) return false;
  RestoreUpdateSequence(bytes, recordBytes);
  // An extension record holds attributes of its base record, which is listed
  // under its own number; a name found here would list the file twice.
  if (BaseRecordNumber(record) != 0) {
    context.host.trace("record " + std::to_string(number) + ": extension of record " +
                      std::to_string(BaseRecordNumber(record)));
    return false;
  }
  SpreadRecord spread(context.reader, mft, record, number);
  StandardTimes times;
  const std::vector<FileNameValue> names = NamesToList(spread.FileNames(WalkVariant::kNormalScan, times));
  if (names.empty()) {
    context.host.trace("record " + std::to_string(number) + ": no file name");
    return false;
  }
  RecoveryCatalog& catalog = context.catalog;
  const RecordTimes recordTimes = CatalogTimes(times);
  const uint8_t flags = RecordFlags(record);
  const bool deleted = (flags & kRecordInUse) == 0;
  if ((flags & kRecordIsFolder) != 0) {
    sequences.NoteFolder(number, RecordSequence(record), deleted);
    if (deleted) sequences.NoteDeleted(names[0], 0, 0, number);
    // A folder has one name: NTFS makes no hard links to folders.
    catalog.AddFolder({.longName = names[0].name,
                       .deleted = deleted ? 'y' : 'n',
                       .parentKey = names[0].parentNumber,
                       .ownKey = number,
                       .times = recordTimes});
  } else {
    // Each hard link is listed in its own folder, all of them with the
    // record's data and streams.
    const uint64_t size = spread.DataSize(WalkVariant::kNormalScan);
    const std::vector<SpreadStream> streams = spread.Streams();
    for (const FileNameValue& name : names) {
      const size_t first = catalog.files().size();
      NewFile file{.longName = name.name,
                   .deleted = deleted ? 'y' : 'n',
                   .size = size,
                   .parentKey = name.parentNumber,
                   .ownKey = number,
                   .times = recordTimes};
      if (!catalog.AddFile(file)) break;
      catalog.bytesTotal += file.size;
      AddNamedStreams(catalog, streams, file);
      if (deleted) sequences.NoteDeleted(name, first, catalog.files().size(), 0);
    }
  }
  progress.Report(context.host, catalog.bytesTotal, catalog.directoriesFound, catalog.filesFound, names[0].name);
  return true;
}

}  // namespace

NtfsScanOutcome NtfsScan(const ScanContext& context, const MftRunTable& table) {
  RecoveryCatalog& catalog = context.catalog;
  catalog.directoriesFound = 0;
  catalog.filesFound = 0;
  WorkerHost& host = context.host;
  host.setProgressRange(100);
  const uint64_t total = table.TotalSectors();
  std::vector<uint8_t> batch(static_cast<size_t>(kBatchSectors) * kSectorSize);
  ProgressReport progress;
  const uint32_t perRecord = table.recordSectors();
  const uint32_t batchSectors = kBatchSectors / perRecord * perRecord;  // whole records per read
  ParentSequences sequences;
  for (uint64_t first = 0; first + perRecord <= total && !catalog.outOfMemory; first += batchSectors) {
    host.pauseGate();
    if (host.stopRequested()) break;
    uint32_t sectors = static_cast<uint32_t>(std::min<uint64_t>(batchSectors, total - first));
    ReadRunSectors(context.reader, table, first, sectors, batch.data());
    for (uint32_t k = 0; k + perRecord <= sectors; k += perRecord) {
      uint32_t number = static_cast<uint32_t>((first + k) / perRecord);
      if (AddRecord(context, table, batch.data() + static_cast<size_t>(k) * kSectorSize, number, sequences, progress))
        host.setProgress(std::min<uint64_t>(100, 100 * (first + k + perRecord) / total));
    }
  }
  if (host.stopRequested() || catalog.directoriesFound > 0 || catalog.filesFound > 0) {
    sequences.HangMismatched(catalog);
    HangOrphansUnderLost(catalog, kNtfsRootKey, 0);
    return NtfsScanOutcome::kFinished;
  }
  host.messageInfo(kNtfsSwitchMessage);
  host.setCaption(kCurrentSectorCaption, kCurrentSectorLabel);
  return NtfsScanOutcome::kSwitchToExhaustive;
}

}  // namespace vantor
