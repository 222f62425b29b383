// Choosing what to recover from: a VMware virtual disk file (checked and opened),
// an image made by disk imaging ("Image0.img" and its pieces), or any other disk
// image file or block device, which is read as physical disk 0.
#pragma once

#include <string>

namespace vantor {

class Session;

struct SourceChoice {
  bool ok = false;
  std::string message;  // what to tell the user when not ok
};

// The start dialog's check of a virtual disk file; sets vmValid, vmFilePath and
// vmFileName when the file is one of the four layouts.
SourceChoice ChooseVirtualDisk(Session& session, const std::string& path);
// Any source by its path: ".vmdk" files as above, "Image0.img" as an image, else a
// disk image file or a device mapped to "\\.\PhysicalDrive0".
SourceChoice ChooseSource(Session& session, const std::string& path);

}  // namespace vantor
