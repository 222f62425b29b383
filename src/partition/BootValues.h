// The boot values of the chosen volume: the boot sector at the start sector of
// RecoveryState is validated (with its backup copy where the file system keeps
// one) and the geometry the FAT and NTFS engines start from is computed.
#pragma once

#include <cstdint>
#include <string>

#include "core/ByteView.h"
#include "core/RecoveryState.h"

namespace vantor {

class Session;

// For fileSystemName "FAT12", "FAT16", "FAT32" or "NTFS": fills state.geometry and
// returns 1; 0 (geometry unchanged) when the boot sector fails or for any other
// name. Sets state.bootValuesValid to the result. A volume that is sound but
// of a kind this reader does not serve (sectors of other than 512 bytes) is
// refused with the reason in `refusal`.
uint32_t ReadBootValues(Session& session, std::string* refusal = nullptr);

uint32_t ReadFatBootValues(Session& session, VolumeGeometry& geometry, std::string* refusal);
uint32_t ReadNtfsBootValues(Session& session, VolumeGeometry& geometry, std::string* refusal);

// False, with the reason in `refusal`, when the boot sector's bytes per sector
// (16-bit at 11) is 1024, 2048 or 4096: sector numbers of such a volume are not
// those of the source.
bool HasSectorsOf512(ByteView boot, const char* fileSystem, std::string* refusal);

// 1, 2, 4, ... 128: the cluster sizes both file systems allow.
bool IsClusterSize(uint64_t sectorsPerCluster);
bool HasBootMark(ByteView sector);

}  // namespace vantor
