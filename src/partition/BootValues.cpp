#include "partition/BootValues.h"

#include "disk/SectorReader.h"

namespace vantor {

bool IsClusterSize(uint64_t sectorsPerCluster) {
  return sectorsPerCluster >= 1 && sectorsPerCluster <= 128 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}

bool HasBootMark(ByteView sector) { return sector.u8(510) == 0x55 && sector.u8(511) == 0xAA; }

bool HasSectorsOf512(ByteView boot, const char* fileSystem, std::string* refusal) {
  // Any other value is a damaged field, not another sector size: the values
  // that follow are still checked on their own.
  if (SectorScale(boot) == 1) return true;
  if (refusal != nullptr)
    *refusal = std::string("the ") + fileSystem + " volume has sectors of " + std::to_string(boot.le16(11)) +
               " bytes; only 512-byte sectors are read";
  return false;
}

uint32_t SectorScale(ByteView boot) {
  const uint32_t bytes = boot.le16(11);
  return bytes == 1024 || bytes == 2048 || bytes == 4096 ? bytes / 512 : 1;
}

uint32_t ReadBootValues(SectorReader& reader, std::string* refusal) {
  RecoveryState& state = reader.state();
  VolumeGeometry geometry = state.geometry;
  uint32_t status = 0;
  const FileSystemKind kind = state.fileSystem();
  if (IsFat(kind))
    status = ProbeFatBoot(reader, state.startSector, kind, geometry);
  else if (kind == FileSystemKind::kNtfs)
    status = ProbeNtfsBoot(reader, state.startSector, state.endSector, geometry, refusal);
  if (status != 0) state.geometry = geometry;
  state.bootValuesValid = status != 0 ? 1 : 0;
  return status;
}

}  // namespace vantor
