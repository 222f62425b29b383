// Whether this machine builds a fixture: the scripts of tests/fixtures/ need
// their tools, and those that mount ntfs-3g also need root and /dev/fuse. A
// fixture missing where its script could have built it is a failure of the run;
// one whose tools are missing is a skip, with the reason told.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace vantor::test {

// Why the fixture at `relative` (under the fixtures folder: "ntfs/disk.img")
// cannot be built here; empty when it can.
inline std::string WhyNotBuilt(const std::string& relative) {
  const std::string set = relative.substr(0, relative.find('/'));
  const bool ntfs = set == "ntfs" || set == "ntfs-lost" || set == "gpt" || relative == "save/ntfs.img";
  std::string tools;
  if (set == "fat") tools = "mkfs.fat mcopy mdeltree sfdisk qemu-img";
  else if (set == "lost") tools = "mkfs.fat mcopy mdeltree sfdisk dd qemu-img";
  else if (set == "save") tools = ntfs ? "mkntfs ntfs-3g" : "mkfs.fat mcopy sfdisk";
  else if (set == "vmdk") tools = "qemu-img";
  else if (set == "snapshots") tools = "qemu-img qemu-io sfdisk mkfs.fat mcopy python3";
  else if (set == "ntfs") tools = "mkntfs ntfs-3g sfdisk losetup qemu-img setfattr python3";
  else if (set == "ntfs-lost") tools = "mkntfs ntfs-3g sfdisk losetup";
  else if (set == "gpt") tools = "sgdisk mkfs.fat mcopy mkntfs ntfs-3g losetup qemu-img";
  struct stat fuse {};
  if (ntfs && (::geteuid() != 0 || ::stat("/dev/fuse", &fuse) != 0 || !S_ISCHR(fuse.st_mode)))
    return relative + " needs root and /dev/fuse for ntfs-3g";
  for (size_t at = 0; at < tools.size();) {
    const size_t end = std::min(tools.find(' ', at), tools.size());
    const std::string tool = tools.substr(at, end - at);
    if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) return relative + " needs " + tool;
    at = end + 1;
  }
  return {};
}

}  // namespace vantor::test
