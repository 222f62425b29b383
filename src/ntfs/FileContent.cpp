#include "ntfs/FileContent.h"

#include <algorithm>

#include "disk/SectorReader.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/RunTables.h"
#include "ntfs/SpreadRecord.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {
namespace {

constexpr size_t kResidentValue = 24;  // an unnamed resident value follows the 24-byte header
constexpr size_t kInitializedSize = 56;
// Windows compresses in units of 16 clusters of at most 4 KiB; larger units are
// taken as damage, not as a reason to read megabytes at a time.
constexpr uint8_t kMaxCompressionUnit = 8;
constexpr uint64_t kMaxUnitSectors = kRunSectors;

// Takes `runs` as the contents when they can be read: not empty, and in
// compression units no larger than a read request. The attribute at `position`
// of `holder` gives how much was ever written.
void TakeRuns(MftRunTable runs, const VolumeGeometry& geometry, ByteView holder, size_t position, uint64_t size,
              FileContent& content) {
  if (runs.empty()) return;
  const uint8_t unit = runs.compressionUnit();
  content.unitSectors = unit == 0 ? 0 : uint64_t{geometry.sectorsPerCluster} << std::min(unit, kMaxCompressionUnit);
  if (unit > kMaxCompressionUnit || content.unitSectors > kMaxUnitSectors) return;
  content.runs = std::move(runs);
  content.kind = FileContent::Kind::kRuns;
  content.validBytes = size;
  if (holder.has(position + kInitializedSize, 8)) content.validBytes = std::min(size, holder.le64(position + kInitializedSize));
}

// A named stream, in the base record or in one of its extension records.
void FindStreamContent(SectorReader& reader, const MftRunTable& mft, const VolumeGeometry& geometry,
                       uint64_t recordSector, uint64_t size, uint8_t stream, FileContent& content) {
  ByteView base(content.record.data(), mft.recordBytes());
  if (!IsFileRecord(base)) return;
  SpreadRecord spread(reader, mft, base, StatedRecordNumber(base), recordSector);
  const std::vector<SpreadStream> streams = spread.Streams();
  if (stream > streams.size()) return;
  const SpreadStream& found = streams[stream - 1];
  const size_t position = found.stream.place.position;
  ByteView holder = spread.at(found.record);
  if (found.stream.place.kind == DataKind::kNonResident) {
    TakeRuns(StreamRunTable(reader, mft, static_cast<uint64_t>(geometry.clusterBase), base, recordSector,
                            found.stream.name, geometry.sectorsPerCluster),
             geometry, holder, position, size, content);
    return;
  }
  // A named value follows its name, at the offset given at +20.
  const size_t value = position + holder.le16(position + 20);
  if (value + size > LastByte(holder)) return;
  if (found.record != 0) std::copy(holder.data(), holder.data() + holder.size(), content.record.begin());
  content.resident = ByteView(content.record.data(), holder.size()).sub(value, static_cast<size_t>(size));
  content.kind = FileContent::Kind::kResident;
}

}  // namespace

void FindFileContent(SectorReader& reader, const RecordRead& readRecord, const MftRunTable& mft,
                     const VolumeGeometry& geometry, uint64_t recordSector, uint64_t size, uint8_t stream,
                     FileContent& content) {
  content.kind = FileContent::Kind::kNone;
  content.unitSectors = 0;
  content.record.fill(0);
  readRecord(recordSector, mft.recordSectors(), content.record.data());
  RestoreUpdateSequence(content.record.data(), mft.recordBytes());
  if (stream != 0) {
    FindStreamContent(reader, mft, geometry, recordSector, size, stream, content);
    return;
  }
  ByteView record(content.record.data(), mft.recordBytes());
  DataAttributePlace place = FindDataAttribute(record);
  if (place.kind == DataKind::kResident) {
    const size_t value = place.position + kResidentValue;
    if (value + size > LastByte(record)) return;
    content.resident = record.sub(value, static_cast<size_t>(size));
    content.kind = FileContent::Kind::kResident;
    return;
  }
  if (!IsFileRecord(record)) return;
  MftRunTable runs = BuildRunTable(reader, mft, static_cast<uint64_t>(geometry.clusterBase), record, recordSector, 'F',
                                   geometry.sectorsPerCluster);
  // The initialized size is the attribute's when it lies in this record; one
  // in an extension record leaves the whole file counted as written.
  TakeRuns(std::move(runs), geometry, place.kind == DataKind::kNonResident ? record : ByteView(), place.position, size,
           content);
}

}  // namespace vantor
