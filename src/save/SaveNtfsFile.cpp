// NTFS keeps its file times in UTC, so the time is used as it stands; taking it
// for a local time would shift every saved file by the machine's offset from UTC.
#include "save/SaveNtfsFile.h"

#include <array>

#include "core/ByteView.h"
#include "core/Sector.h"
#include "core/Session.h"
#include "disk/SectorSource.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"
#include "platform/FileTimes.h"
#include "save/CopyRuns.h"
#include "save/FileStart.h"
#include "save/Progress.h"

namespace vantor {
namespace {

constexpr size_t kRecordBytes = 1024;
constexpr size_t kResidentValue = 24;  // an unnamed resident value follows the 24-byte header

FileTime TimeOf(const RecordTime& stamp) {
  return NtfsTimeToFileTime((static_cast<uint64_t>(stamp.second) << 32) | stamp.first);
}

bool WriteResident(Session& session, const std::string& path, ByteView record, size_t position, uint64_t size,
                   bool interactive, const FileTime& time) {
  if (position + kResidentValue + size > kRecordBytes - 1) return false;
  auto file = CreateDestinationFile(session, path, interactive);
  if (file == nullptr) return false;
  file->write(record.data() + position + kResidentValue, static_cast<size_t>(size));
  session.savingRun.bytesCopied += size;
  if (interactive) RefreshProgress(session, size, size);
  FinishFile(file, path, &time);
  return true;
}

}  // namespace

bool SaveNtfsFile(Session& session, std::string destinationPath, const std::u16string& fileName, uint64_t size,
                  uint64_t recordSector, bool interactive, char deleted, const RecordTime& fileTime) {
  const FileTime time = TimeOf(fileTime);
  session.savingRun.skipFile = 0;
  if (interactive && !StartFile(session, destinationPath, fileName, size, deleted)) return false;
  if (size == 0) {
    auto file = CreateDestinationFile(session, destinationPath, interactive);
    if (file == nullptr) return false;
    FinishFile(file, destinationPath, &time);
    return true;
  }
  std::array<uint8_t, kRecordBytes> record{};
  ReadCurrentSectors(session, recordSector, kRecordBytes / kSectorSize, record.data());
  RestoreUpdateSequence(record.data(), record.size());
  ByteView view(record.data(), record.size());
  DataAttributePlace place = FindDataAttribute(view);
  if (place.kind == DataKind::kResident)
    return WriteResident(session, destinationPath, view, place.position, size, interactive, time);
  const VolumeGeometry& geometry = session.state.geometry;
  MftRunTable runs = BuildRunTable(session, static_cast<uint64_t>(geometry.clusterBase), recordSector, 'F',
                                   geometry.sectorsPerCluster);
  if (runs.empty()) return false;
  return WriteRunList(session, destinationPath, size, interactive, fileTime, runs);
}

bool WriteRunList(Session& session, const std::string& destinationPath, uint64_t size, bool interactive,
                  const RecordTime& fileTime, const MftRunTable& runs) {
  const FileTime time = TimeOf(fileTime);
  auto file = CreateDestinationFile(session, destinationPath, interactive);
  if (file == nullptr) return false;
  size_t next = 0;
  RunSupplier supply = [&](SectorRun& run) {
    if (next == runs.count()) return false;
    const DataRun& data = runs.runs()[next++];
    run = {static_cast<int64_t>(data.firstSector), data.sectorCount, data.sparse};
    return true;
  };
  uint64_t written = 0;
  uint32_t piece = session.state.geometry.sectorsPerCluster >= 8 ? 8 : 1;
  CopyEnd end = CopyRuns(session, *file, supply, size, piece, interactive, written);
  FinishFile(file, destinationPath, &time);
  if (end == CopyEnd::kInterrupted) session.savingRun.skipFile = 0;
  return end != CopyEnd::kInterrupted;
}

}  // namespace vantor
