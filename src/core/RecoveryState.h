// The record through which the wizard steps, the running worker, the sector source
// and the engines hand choices and results to one another. It starts zeroed, with
// the device path table at its initial names, and lives as long as its session.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/FileSystemKind.h"
#include "core/OemCodePage.h"
#include "core/RecoveryMode.h"

namespace vantor {

// The boot values of the chosen volume that the FAT and NTFS engines start from.
// Sector numbers are 64-bit so that a volume near the end of a large disk is
// addressed correctly; counts keep the widths of the on-disk fields.
struct VolumeGeometry {
  // FAT12, FAT16 and FAT32
  uint32_t sectorsPerFat = 0;
  uint32_t sectorsPerCluster = 0;
  uint32_t reservedSectors = 0;
  uint32_t rootDirSectors = 0;  // fixed root: entry count / 16; FAT32: 0
  uint64_t rootStart = 0;       // fixed root: first sector; FAT32: root cluster
  uint64_t firstFatSector = 0;
  uint64_t secondFatSector = 0;
  // Cluster N begins at clusterBase + N * sectorsPerCluster. On FAT the value can
  // lie below the volume start (cluster 0 and 1 do not exist); on NTFS it is the
  // volume's first sector.
  int64_t clusterBase = 0;
  // NTFS
  uint64_t mftSector = 0;
  uint64_t mftMirrorSector = 0;
  uint32_t sectorsPerMftRecord = 0;
  uint32_t sectorsPerIndexRecord = 0;
};

inline constexpr size_t kDevicePathCount = 10;

struct RecoveryState {
  // Source and mode (start dialog and Step 1)
  std::u16string vmFilePath;
  std::u16string vmFileName;
  int32_t vmValid = 0;
  int32_t exhaustiveChosen = 0;
  RecoveryMode mode = RecoveryMode::kFileSystem;
  int32_t imaging = 0;
  std::u16string selectedItemText;
  // The device path table; entry 0 doubles as devicePath.
  std::array<std::string, kDevicePathCount> devicePathTable = {
      "\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive2",
      "\\\\.\\PhysicalDrive3", "\\\\.\\PhysicalDrive4", "\\\\.\\PhysicalDrive5",
      "\\\\.\\PhysicalDrive6", "\\\\.\\PhysicalDrive7", "\\\\.\\PhysicalDrive8",
      "\\\\.\\PhysicalDrive9"};
  int16_t deviceIndex = 0;
  int32_t imageSource = 0;
  std::u16string imageFolder;
  int32_t imageSplit = 0;
  char platformFamily = 'N';
  int32_t badSectorPolicy = 0;  // 0 Retry, 1 Skip, 2 Retry All, 3 Skip All

  // Volume (Step 2)
  std::u16string fileSystemName;
  uint64_t startSector = 0;
  uint64_t endSector = 0;  // 0: no limit
  VolumeGeometry geometry;
  int32_t bootValuesValid = 0;
  int32_t partitionSearch = 0;
  int32_t searchPass = 0;
  std::u16string selectedPartitionText;
  int32_t selectedFileSystem = 0;
  int32_t stateLoaded = 0;
  // The saved state being loaded, and where its lists begin in it.
  std::string stateFilePath;
  uint64_t stateListsOffset = 0;
  int32_t exhaustiveSwitch = 0;
  // The OEM code page of FAT short names (see OemCodePage.h).
  uint16_t oemCodePage = kDefaultOemCodePage;

  // The results (directoriesFound, filesFound, bytesTotal) live with the catalog
  // that the workers fill.

  // The chosen volume's file system, as the engines tell them apart.
  FileSystemKind fileSystem() const { return FileSystemKindOf(fileSystemName); }
  std::string& devicePath() { return devicePathTable[0]; }
  const std::string& devicePath() const { return devicePathTable[0]; }
  // The table entry of the current source, or empty for an index without one.
  std::string currentDevicePath() const {
    if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= kDevicePathCount) return {};
    return devicePathTable[static_cast<size_t>(deviceIndex)];
  }
};

}  // namespace vantor
