// Choosing what to recover from: a VMware virtual disk file (checked and opened),
// an image made by disk imaging ("Image0.img" and its pieces), or any other disk
// image file or block device, which is read as physical disk 0.
#pragma once

#include <string>
#include <vector>

namespace vantor {

class SectorReader;

struct SourceChoice {
  bool ok = false;
  std::string message;  // what to tell the user: why not, or a note on what was chosen
};

// The start dialog's check of a virtual disk file; sets vmValid, vmFilePath and
// vmFileName when the file is one of the four layouts.
SourceChoice ChooseVirtualDisk(SectorReader& reader, const std::string& path);
// Any source by its path: ".vmdk" files as above, "Image0.img" as an image, else a
// disk image file or a device mapped to "\\.\PhysicalDrive0".
SourceChoice ChooseSource(SectorReader& reader, const std::string& path);
// The files and devices of this machine that the chosen source reads: the
// virtual disk and its extent files, or the image or device.
std::vector<std::string> SourcePaths(const SectorReader& reader);
// For a virtual disk whose files do not hold all of it (cut short, or an extent
// file missing): "N sectors of the virtual disk lie beyond its files and read as
// zeros", with the missing files named. Empty for a whole disk or another source.
std::string VirtualDiskWarning(SectorReader& reader);

}  // namespace vantor
