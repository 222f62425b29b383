// How the device names of the device path table map to this machine:
//   "\\.\PhysicalDriveN"  the N-th whole disk of /sys/block, sorted by name, with
//                         loop, ram and zram devices left out;
//   "\\.\X:"              the mounted block devices of /proc/self/mounts, given
//                         the letters C, D, E, ... in mount-table order;
//   "\\.\A:"              the floppy, /dev/fd0.
// A session's device map (filled from the "Device Map" section of the
// configuration store, or by the command line for an image file) overrides these.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vantor {

class ConfigStore;

struct MountedVolume {
  char letter = 0;
  std::string device;      // /dev/...
  std::string mountPoint;  // where it is mounted
  std::string type;        // the mount table's file-system type ("vfat", "ext4", ...)
};

// The whole disks, as /dev paths, in the order of their PhysicalDrive numbers.
std::vector<std::string> ListWholeDisks();
std::vector<MountedVolume> ListMountedVolumes();

// The path on this machine for a device name, or empty when there is none.
std::string ResolveDevicePath(const std::map<std::string, std::string>& deviceMap, const std::string& name);

// The "Device Map" entries of the store, keyed as the table names them.
std::map<std::string, std::string> LoadDeviceMap(const ConfigStore& store);

// Finds `name` in `folder` regardless of letter case; empty when absent.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);

}  // namespace vantor
