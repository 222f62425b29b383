#include "ntfs/NtfsScan.h"

#include <algorithm>
#include <array>
#include <vector>

#include "catalog/LostRecords.h"
#include "core/ProgressReport.h"
#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/ExtensionRecords.h"
#include "ntfs/FileName.h"
#include "ntfs/MftReading.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {
namespace {

constexpr uint32_t kBatchSectors = 512;  // 256 KiB of records per read

// The records over which one file is spread: the base record, as read, and the
// extension records its attribute list names, read when first needed.
class SpreadRecord {
 public:
  SpreadRecord(SectorReader& reader, const MftRunTable& mft, ByteView base, uint32_t number)
      : reader_(reader), mft_(mft), base_(base) {
    numbers_.Reset(number);
    const VolumeGeometry& geometry = reader.state().geometry;
    std::vector<uint8_t> storage;
    CollectListedRecords(AttributeListBytes(reader, base, static_cast<uint64_t>(geometry.clusterBase),
                                            geometry.sectorsPerCluster, storage),
                         numbers_);
    loaded_.resize(numbers_.count() - 1);
  }

  // Record i of the table; an empty view when it cannot be read.
  ByteView at(size_t i) {
    if (i == 0) return base_;
    Loaded& slot = loaded_[i - 1];
    if (!slot.tried) {
      slot.tried = true;
      slot.ok = ReadMftRecord(reader_, mft_, numbers_[i], slot.bytes.data());
    }
    return slot.ok ? ByteView(slot.bytes.data(), mft_.recordBytes()) : ByteView();
  }
  size_t count() const { return numbers_.count(); }

  // The name, Win32 first across all the records, and the times last read on the way.
  bool FindName(FileNameValue& name, StandardTimes& times) {
    for (uint8_t nameSpace : kNamespaceOrder)
      for (size_t i = 0; i < count(); ++i)
        if (FindFileName(at(i), nameSpace, WalkVariant::kNormalScan, name, times)) return true;
    return false;
  }

  // The size of the first unnamed data attribute of any of the records, or 0.
  uint64_t DataSize() {
    uint64_t size = 0;
    for (size_t i = 0; i < count(); ++i)
      if (UnnamedDataSize(at(i), WalkVariant::kNormalScan, size)) return size;
    return 0;
  }

 private:
  struct Loaded {
    bool tried = false;
    bool ok = false;
    std::array<uint8_t, kMaxMftRecordBytes> bytes{};
  };
  SectorReader& reader_;
  const MftRunTable& mft_;
  ByteView base_;
  ExtensionRecords numbers_;
  std::vector<Loaded> loaded_;
};

// Records 0 to 23 are the volume's own files and its reserve, record 11 ($Extend)
// the folder of the others: their streams ($BadClus:$Bad as large as the volume,
// $UsnJrnl:$J, ...) are metadata, not a user's data.
constexpr uint32_t kFirstUserRecord = 24;
constexpr uint32_t kExtendRecord = 11;

// Lists each named stream of the base record as "name:stream" beside its file.
void AddNamedStreams(RecoveryCatalog& catalog, ByteView record, NewFile file) {
  if (file.ownKey < kFirstUserRecord || file.parentKey == kExtendRecord) return;
  const std::u16string fileName(file.longName);
  uint8_t ordinal = 0;
  for (const NamedStream& stream : NamedStreams(record)) {
    const std::u16string name = fileName + u':' + stream.name;
    file.longName = name;
    file.size = stream.size;
    file.stream = ++ordinal;
    if (!catalog.AddFile(file)) return;
    catalog.bytesTotal += stream.size;
  }
}

// Decodes one file record and adds it to the catalog; false when it was passed over.
bool AddRecord(const ScanContext& context, const MftRunTable& mft, uint8_t* bytes, uint32_t number, ProgressReport& progress) {
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
  FileNameValue name;
  StandardTimes times;
  if (!spread.FindName(name, times)) {
    context.host.trace("record " + std::to_string(number) + ": no file name");
    return false;
  }
  RecoveryCatalog& catalog = context.catalog;
  const RecordTimes recordTimes = CatalogTimes(times);
  uint8_t flags = RecordFlags(record);
  if (flags == kFolderInUse || flags == kFolderDeleted) {
    catalog.AddFolder({.longName = name.name,
                       .deleted = flags == kFolderDeleted ? 'y' : 'n',
                       .parentKey = name.parentNumber,
                       .ownKey = number,
                       .times = recordTimes});
  } else {
    NewFile file{.longName = name.name,
                 .deleted = flags == kFileDeleted ? 'y' : 'n',
                 .size = spread.DataSize(),
                 .parentKey = name.parentNumber,
                 .ownKey = number,
                 .times = recordTimes};
    catalog.AddFile(file);
    catalog.bytesTotal += file.size;
    AddNamedStreams(catalog, record, file);
  }
  progress.Report(context.host, catalog.bytesTotal, catalog.directoriesFound, catalog.filesFound, name.name);
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
  for (uint64_t first = 0; first + perRecord <= total && !catalog.outOfMemory; first += batchSectors) {
    host.pauseGate();
    if (host.stopRequested()) break;
    uint32_t sectors = static_cast<uint32_t>(std::min<uint64_t>(batchSectors, total - first));
    ReadRunSectors(context.reader, table, first, sectors, batch.data());
    for (uint32_t k = 0; k + perRecord <= sectors; k += perRecord) {
      uint32_t number = static_cast<uint32_t>((first + k) / perRecord);
      if (AddRecord(context, table, batch.data() + static_cast<size_t>(k) * kSectorSize, number, progress))
        host.setProgress(std::min<uint64_t>(100, 100 * (first + k + perRecord) / total));
    }
  }
  if (host.stopRequested() || catalog.directoriesFound > 0 || catalog.filesFound > 0) {
    HangOrphansUnderLost(catalog, kNtfsRootKey, 0);
    return NtfsScanOutcome::kFinished;
  }
  host.messageInfo(kNtfsSwitchMessage);
  host.setCaption(kCurrentSectorCaption, kCurrentSectorLabel);
  return NtfsScanOutcome::kSwitchToExhaustive;
}

}  // namespace vantor
