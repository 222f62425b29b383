// The boot values of the chosen volume: the boot sector at the start sector of
// RecoveryState is validated (with its backup copy where the file system keeps
// one) and the geometry the FAT and NTFS engines start from is computed.
#pragma once

#include <cstdint>

#include "core/ByteView.h"
#include "core/RecoveryState.h"

namespace vantor {

class Session;

// For fileSystemName "FAT12", "FAT16", "FAT32" or "NTFS": fills state.geometry and
// returns 1; 0 (geometry unchanged) when the boot sector fails or for any other
// name. Sets state.bootValuesValid to the result.
uint32_t ReadBootValues(Session& session);

uint32_t ReadFatBootValues(Session& session, VolumeGeometry& geometry);
uint32_t ReadNtfsBootValues(Session& session, VolumeGeometry& geometry);

// 1, 2, 4, ... 128: the cluster sizes both file systems allow.
bool IsClusterSize(uint64_t sectorsPerCluster);
bool HasBootMark(ByteView sector);

}  // namespace vantor
