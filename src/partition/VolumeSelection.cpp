#include "partition/VolumeSelection.h"

#include "platform/Utf.h"

namespace vantor {

VolumeRefusal SelectVolume(RecoveryState& state, const PartitionEntry& entry, bool anyType) {
  const std::string& name = entry.fileSystemName;
  const bool known = name == "FAT12" || name == "FAT16" || name == "FAT32" || name == "NTFS";
  state.fileSystemName = known ? Utf8ToUtf16(name) : u"UNKNOWN";
  if (!known && !anyType) return VolumeRefusal::kUnknownType;
  state.startSector = entry.startSector;
  state.endSector = entry.endSector;
  if (entry.startSector >= entry.endSector) return VolumeRefusal::kEmptyRange;
  state.selectedPartitionText = Utf8ToUtf16(entry.treeText);
  state.partitionSearch = 0;
  state.searchPass = 0;
  return VolumeRefusal::kNone;
}

}  // namespace vantor
