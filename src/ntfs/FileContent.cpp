#include "ntfs/FileContent.h"

#include <algorithm>

#include "ntfs/DataAttribute.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {
namespace {

constexpr size_t kResidentValue = 24;  // an unnamed resident value follows the 24-byte header
constexpr size_t kInitializedSize = 56;

}  // namespace

void FindFileContent(SectorReader& reader, const RecordRead& readRecord, const MftRunTable& mft,
                     const VolumeGeometry& geometry, uint64_t recordSector, uint64_t size, FileContent& content) {
  content.kind = FileContent::Kind::kNone;
  content.record.fill(0);
  readRecord(recordSector, mft.recordSectors(), content.record.data());
  RestoreUpdateSequence(content.record.data(), mft.recordBytes());
  ByteView record(content.record.data(), mft.recordBytes());
  DataAttributePlace place = FindDataAttribute(record);
  if (place.kind == DataKind::kResident) {
    if (place.position + kResidentValue + size > LastByte(record)) return;
    content.resident = record.sub(place.position + kResidentValue, static_cast<size_t>(size));
    content.kind = FileContent::Kind::kResident;
    return;
  }
  if (!IsFileRecord(record)) return;
  content.runs = BuildRunTable(reader, mft, static_cast<uint64_t>(geometry.clusterBase), record, recordSector, 'F',
                               geometry.sectorsPerCluster);
  if (content.runs.empty()) return;
  content.kind = FileContent::Kind::kRuns;
  content.validBytes = size;
  if (place.kind == DataKind::kNonResident && record.has(place.position + kInitializedSize, 8))
    content.validBytes = std::min(size, record.le64(place.position + kInitializedSize));
}

}  // namespace vantor
