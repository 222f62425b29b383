// The sources that Step 1 lists, and the device information store.
//
// Disks come from /sys/block (whole disks sorted by name, loop, ram and zram left
// out), the same order as the PhysicalDrive numbers of the device path table. Their
// facts (size, model, removable) are written to the configuration store under
// "VT Windows" and its sub-keys, one value "Disk" + N per disk, all as text, and the
// information lists are read back from there. Geometry is the usual translation:
// 255 heads, 63 sectors per track, cylinders = size / (255 * 63 * 512).
// Logical drives are the mounted block devices with the letters of the mount table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor {

class ConfigStore;

inline constexpr int kMaxStoredDisks = 26;
inline constexpr const char* kDeviceStoreKey = "VT Windows";

struct DiskFacts {
  std::string device;  // /dev/...
  uint64_t sizeBytes = 0;
  std::string model;
  bool removable = false;
};

struct DiskEntry {
  int number = 0;
  std::string itemText;  // "Disk" + N
};

struct LogicalDrive {
  char letter = 0;
  std::string itemText;  // "LABEL (X:)" or "Local Disk (X:)"
  std::string device;
  std::string mountPoint;
  std::string fileSystem;  // as the volume names itself ("FAT32", "NTFS", ...)
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;
};

struct DeviceList {
  std::vector<LogicalDrive> drives;
  std::vector<DiskEntry> disks;
};

// The whole disks under a /sys/block folder.
std::vector<DiskFacts> ReadBlockDisks(const std::string& sysBlock = "/sys/block");
// Writes the facts of disks 0.. (at most 26) as the store's disk values.
void WriteDeviceStore(ConfigStore& store, const std::vector<DiskFacts>& disks);
// Deletes "VT Windows" with its sub-keys and disk values, then recreates it empty.
void ClearDeviceStore(ConfigStore& store);
// The disks whose "VT Windows" value is present and not empty, by number.
std::vector<DiskEntry> ListStoredDisks(const ConfigStore& store);

// The mounted volumes that are removable or fixed (optical drives left out).
std::vector<LogicalDrive> ListLogicalDrives();
// "LABEL (X:)", or "Local Disk (X:)" for an empty label.
std::string DriveItemText(const std::string& label, char letter);

// Rebuilds the store and lists the devices; with a virtual disk in use only the
// store is rebuilt and nothing is listed.
DeviceList RefreshDeviceStore(ConfigStore& store, bool virtualDiskInUse,
                              const std::string& sysBlock = "/sys/block");

// The information lists of Step 1.
std::vector<std::string> DriveInformationLines(const LogicalDrive& drive);
std::vector<std::string> DeviceInformationLines(const ConfigStore& store, int disk);
// A drive's byte count: "%.1f GB", "%.1f MB", "%.1f KB" or "0".
std::string DriveByteText(uint64_t bytes);

}  // namespace vantor
