#include "ntfs/MftReading.h"

#include <algorithm>
#include <cstring>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/UpdateSequence.h"

namespace vantor {

void ReadRunSectors(SectorReader& reader, const MftRunTable& table, uint64_t streamSector, uint32_t count,
                    uint8_t* buffer) {
  if (count == 0) return;
  std::memset(buffer, 0, static_cast<size_t>(count) * kSectorSize);
  uint64_t runStart = 0;  // stream sector of the current run's first sector
  for (const DataRun& run : table.runs()) {
    if (count == 0) return;
    uint64_t runEnd = runStart + run.sectorCount;
    if (streamSector < runEnd) {
      uint64_t within = streamSector - runStart;
      uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(count, run.sectorCount - within));
      if (!run.sparse) reader.read(run.firstSector + within, piece, buffer);
      buffer += static_cast<size_t>(piece) * kSectorSize;
      streamSector += piece;
      count -= piece;
    }
    runStart = runEnd;
  }
}

bool ReadRecordAt(SectorReader& reader, uint64_t sector, uint32_t recordSectors, uint8_t* buffer) {
  const size_t bytes = static_cast<size_t>(recordSectors) * kSectorSize;
  reader.read(sector, recordSectors, buffer);
  if (!IsFileRecord(ByteView(buffer, bytes))) return false;
  RestoreUpdateSequence(buffer, bytes);
  return true;
}

bool ReadMftRecord(SectorReader& reader, const MftRunTable& table, uint64_t number, uint8_t* buffer) {
  const uint32_t sectors = table.recordSectors();
  ReadRunSectors(reader, table, number * sectors, sectors, buffer);
  if (!IsFileRecord(ByteView(buffer, table.recordBytes()))) return false;
  RestoreUpdateSequence(buffer, table.recordBytes());
  return true;
}

}  // namespace vantor
