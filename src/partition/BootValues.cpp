#include "partition/BootValues.h"

#include "core/Session.h"

namespace vantor {

bool IsClusterSize(uint64_t sectorsPerCluster) {
  return sectorsPerCluster >= 1 && sectorsPerCluster <= 128 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}

bool HasBootMark(ByteView sector) { return sector.u8(510) == 0x55 && sector.u8(511) == 0xAA; }

bool HasSectorsOf512(ByteView boot, const char* fileSystem, std::string* refusal) {
  // Any other value is a damaged field, not another sector size: the values
  // that follow are still checked on their own.
  const uint32_t bytes = boot.le16(11);
  if (bytes != 1024 && bytes != 2048 && bytes != 4096) return true;
  if (refusal != nullptr)
    *refusal = std::string("the ") + fileSystem + " volume has sectors of " + std::to_string(bytes) +
               " bytes; only 512-byte sectors are read";
  return false;
}

uint32_t ReadBootValues(Session& session, std::string* refusal) {
  RecoveryState& state = session.state;
  VolumeGeometry geometry = state.geometry;
  uint32_t status = 0;
  if (state.fileSystemName == u"FAT12" || state.fileSystemName == u"FAT16" || state.fileSystemName == u"FAT32")
    status = ReadFatBootValues(session, geometry, refusal);
  else if (state.fileSystemName == u"NTFS")
    status = ReadNtfsBootValues(session, geometry, refusal);
  if (status != 0) state.geometry = geometry;
  state.bootValuesValid = status != 0 ? 1 : 0;
  return status;
}

}  // namespace vantor
