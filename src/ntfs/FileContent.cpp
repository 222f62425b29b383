#include "ntfs/FileContent.h"

#include <algorithm>

#include "disk/SectorReader.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/RunTables.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {
namespace {

constexpr size_t kResidentValue = 24;  // an unnamed resident value follows the 24-byte header
constexpr size_t kInitializedSize = 56;
// Windows compresses in units of 16 clusters of at most 4 KiB; larger units are
// taken as damage, not as a reason to read megabytes at a time.
constexpr uint8_t kMaxCompressionUnit = 8;
constexpr uint64_t kMaxUnitSectors = kRunSectors;

}  // namespace

void FindFileContent(SectorReader& reader, const RecordRead& readRecord, const MftRunTable& mft,
                     const VolumeGeometry& geometry, uint64_t recordSector, uint64_t size, uint8_t stream,
                     FileContent& content) {
  content.kind = FileContent::Kind::kNone;
  content.unitSectors = 0;
  content.record.fill(0);
  readRecord(recordSector, mft.recordSectors(), content.record.data());
  RestoreUpdateSequence(content.record.data(), mft.recordBytes());
  ByteView record(content.record.data(), mft.recordBytes());
  DataAttributePlace place = FindDataAttribute(record, stream);
  if (place.kind == DataKind::kResident) {
    // A named value follows its name, at the offset given at +20.
    const size_t value = place.position + (stream == 0 ? kResidentValue : record.le16(place.position + 20));
    if (value + size > LastByte(record)) return;
    content.resident = record.sub(value, static_cast<size_t>(size));
    content.kind = FileContent::Kind::kResident;
    return;
  }
  if (!IsFileRecord(record) || (stream != 0 && place.kind == DataKind::kNone)) return;
  const auto clusterBase = static_cast<uint64_t>(geometry.clusterBase);
  content.runs = stream == 0 ? BuildRunTable(reader, mft, clusterBase, record, recordSector, 'F', geometry.sectorsPerCluster)
                             : AttributeRunTable(record, place.position, clusterBase, geometry.sectorsPerCluster);
  if (content.runs.empty()) return;
  const uint8_t unit = content.runs.compressionUnit();
  content.unitSectors = unit == 0 ? 0 : uint64_t{geometry.sectorsPerCluster} << std::min(unit, kMaxCompressionUnit);
  if (unit > kMaxCompressionUnit || content.unitSectors > kMaxUnitSectors) return;
  content.kind = FileContent::Kind::kRuns;
  content.validBytes = size;
  if (place.kind == DataKind::kNonResident && record.has(place.position + kInitializedSize, 8))
    content.validBytes = std::min(size, record.le64(place.position + kInitializedSize));
}

}  // namespace vantor
