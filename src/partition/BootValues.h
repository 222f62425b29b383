// The boot values of a volume: its boot sector is validated (with its backup copy
// where the file system keeps one) and the geometry the FAT and NTFS engines start
// from is computed. The probes read through the reader only and change nothing
// else, so that any offset can be probed.
#pragma once

#include <cstdint>
#include <string>

#include "core/ByteView.h"
#include "core/FileSystemKind.h"
#include "core/RecoveryState.h"

namespace vantor {

class SectorReader;

// The chosen volume of the reader's state (fileSystemName "FAT12", "FAT16",
// "FAT32" or "NTFS", startSector, endSector): fills state.geometry and returns 1;
// 0 (geometry unchanged) when the boot sector fails or for any other name. Sets
// state.bootValuesValid to the result. A volume that is sound but of a kind this
// reader does not serve (an NTFS volume of sectors other than 512 bytes) is
// refused with the reason in `refusal`.
uint32_t ReadBootValues(SectorReader& reader, std::string* refusal = nullptr);

// The probes: the FAT volume of `kind`, or the NTFS volume whose backup boot
// sector lies at or before `end`, starting at `start`. 1 with `geometry` filled,
// or 0 (geometry unchanged).
uint32_t ProbeFatBoot(SectorReader& reader, uint64_t start, FileSystemKind kind, VolumeGeometry& geometry);
uint32_t ProbeNtfsBoot(SectorReader& reader, uint64_t start, uint64_t end, VolumeGeometry& geometry,
                       std::string* refusal);

// False, with the reason in `refusal`, when the boot sector's bytes per sector
// (16-bit at 11) is 1024, 2048 or 4096: sector numbers of such a volume are not
// those of the source.
bool HasSectorsOf512(ByteView boot, const char* fileSystem, std::string* refusal);

// How many 512-byte sectors one logical sector of the volume spans: 2, 4 or 8
// when the bytes per sector (16-bit at 11) are 1024, 2048 or 4096 (4Kn disks,
// some flash media), else 1 (512, or a damaged field whose values that follow
// are checked on their own). A FAT volume's counts of sectors are in its
// logical sectors; times this they are in the source's.
uint32_t SectorScale(ByteView boot);

// 1, 2, 4, ... 128: the cluster sizes both file systems allow.
bool IsClusterSize(uint64_t sectorsPerCluster);
bool HasBootMark(ByteView sector);

}  // namespace vantor
