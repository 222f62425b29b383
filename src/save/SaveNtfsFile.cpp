// NTFS keeps its file times in UTC, so the time is used as it stands; taking it
// for a local time would shift every saved file by the machine's offset from UTC.
#include "save/SaveNtfsFile.h"

#include <array>

#include "core/ByteView.h"
#include "core/Sector.h"
#include "save/SaveContext.h"
#include "disk/SectorReader.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"
#include "platform/FileTimes.h"
#include "save/CopyRuns.h"
#include "save/FileStart.h"
#include "save/Progress.h"
#include "save/StampTimes.h"

namespace vantor {
namespace {

constexpr size_t kResidentValue = 24;  // an unnamed resident value follows the 24-byte header

bool WriteResident(const SaveContext& context, const TargetFile& target, ByteView record, size_t position, uint64_t size,
                   bool interactive, const FileTime* time) {
  if (position + kResidentValue + size > LastByte(record)) return false;
  FileEnd end = WriteDestinationFile(context, target, interactive, time, [&](OutputFile& file, uint64_t& written) {
    if (!file.write(record.data() + position + kResidentValue, static_cast<size_t>(size))) return CopyEnd::kWriteFailed;
    written = size;
    context.savingRun.bytesCopied += size;
    return CopyEnd::kDone;
  });
  if (end == FileEnd::kSaved && interactive) RefreshProgress(context, size, size);
  return end == FileEnd::kSaved;
}

}  // namespace

bool SaveNtfsFile(const SaveContext& context, std::string destinationPath, const std::u16string& fileName, uint64_t size,
                  uint64_t recordSector, bool interactive, char deleted, const RecordTime& fileTime) {
  FileTime time;
  const bool hasTime = NtfsFileTime(fileTime, time);
  context.savingRun.skipFile = 0;
  TargetFile target{std::move(destinationPath), !interactive};
  if (interactive && !StartFile(context, target, fileName, size, deleted)) return false;
  if (size == 0) {
    const auto nothing = [](OutputFile&, uint64_t&) { return CopyEnd::kDone; };
    return WriteDestinationFile(context, target, interactive, hasTime ? &time : nullptr, nothing) == FileEnd::kSaved;
  }
  std::array<uint8_t, kMaxMftRecordBytes> record{};
  const MftRunTable& mft = context.mftRunTable;
  // A run reads the records through its window; the Open action, outside a run,
  // reads its one record (the window may be of another source by then).
  if (interactive)
    context.savingRun.records.read(context.reader, recordSector, mft.recordSectors(), record.data());
  else
    context.reader.read(recordSector, mft.recordSectors(), record.data());
  RestoreUpdateSequence(record.data(), mft.recordBytes());
  ByteView view(record.data(), mft.recordBytes());
  DataAttributePlace place = FindDataAttribute(view);
  if (place.kind == DataKind::kResident)
    return WriteResident(context, target, view, place.position, size, interactive, hasTime ? &time : nullptr);
  if (!IsFileRecord(view)) return false;
  const VolumeGeometry& geometry = context.state.geometry;
  MftRunTable runs = BuildRunTable(context.reader, context.mftRunTable, static_cast<uint64_t>(geometry.clusterBase), view, recordSector, 'F',
                                   geometry.sectorsPerCluster);
  if (runs.empty()) return false;
  return WriteRunList(context, target, size, interactive, fileTime, runs);
}

bool WriteRunList(const SaveContext& context, const TargetFile& target, uint64_t size, bool interactive,
                  const RecordTime& fileTime, const MftRunTable& runs) {
  FileTime time;
  const bool hasTime = NtfsFileTime(fileTime, time);
  const uint32_t piece = context.state.geometry.sectorsPerCluster >= 8 ? 8 : 1;
  FileEnd end = WriteDestinationFile(context, target, interactive, hasTime ? &time : nullptr,
                                     [&](OutputFile& file, uint64_t& written) {
    size_t next = 0;
    RunSupplier supply = [&](SectorRun& run) {
      if (next == runs.count()) return false;
      const DataRun& data = runs.runs()[next++];
      run = {static_cast<int64_t>(data.firstSector), data.sectorCount, data.sparse};
      return true;
    };
    return CopyRuns(context, file, supply, size, piece, interactive, written);
  });
  return end == FileEnd::kSaved;
}

}  // namespace vantor
