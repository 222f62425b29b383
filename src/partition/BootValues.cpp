#include "partition/BootValues.h"

#include "core/Session.h"

namespace vantor {

bool IsClusterSize(uint64_t sectorsPerCluster) {
  return sectorsPerCluster >= 1 && sectorsPerCluster <= 128 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}

bool HasBootMark(ByteView sector) { return sector.u8(510) == 0x55 && sector.u8(511) == 0xAA; }

uint32_t ReadBootValues(Session& session) {
  RecoveryState& state = session.state;
  VolumeGeometry geometry = state.geometry;
  uint32_t status = 0;
  if (state.fileSystemName == u"FAT12" || state.fileSystemName == u"FAT16" || state.fileSystemName == u"FAT32")
    status = ReadFatBootValues(session, geometry);
  else if (state.fileSystemName == u"NTFS")
    status = ReadNtfsBootValues(session, geometry);
  if (status != 0) state.geometry = geometry;
  state.bootValuesValid = status != 0 ? 1 : 0;
  return status;
}

}  // namespace vantor
