#include "disk/SourceSelection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "disk/ForeignDisks.h"
#include "disk/SectorReader.h"
#include "platform/DevicePaths.h"
#include "platform/Folders.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

bool EndsWithIgnoringCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - tail.size() + i])) !=
        std::tolower(static_cast<unsigned char>(tail[i])))
      return false;
  return true;
}

// A flat extent ("disk-flat.vmdk", "disk-f001.vmdk") is the disk's bytes as
// they are; the descriptor beside it names it. The descriptor's name when the
// file is such an extent (whether or not the descriptor is there), else empty.
std::string DescriptorOfFlatExtent(const std::string& path) {
  const std::string name = FileNamePart(path);
  if (EndsWithIgnoringCase(name, "-flat.vmdk")) return path.substr(0, path.size() - 10) + ".vmdk";
  if (name.size() > 10 && EndsWithIgnoringCase(name, ".vmdk")) {
    const std::string tail = name.substr(name.size() - 10, 5);  // "-f001"
    if (tail[0] == '-' && (tail[1] == 'f' || tail[1] == 'F') && std::isdigit(static_cast<unsigned char>(tail[2])) &&
        std::isdigit(static_cast<unsigned char>(tail[3])) && std::isdigit(static_cast<unsigned char>(tail[4])))
      return path.substr(0, path.size() - 10) + ".vmdk";
  }
  return {};
}

// Reads `path` as a disk image: physical disk 0 mapped to the file.
void MapAsImage(SectorReader& reader, const std::string& path) {
  reader.state().vmValid = 0;
  reader.state().selectedItemText = Utf8ToUtf16(path);
  reader.state().imageSource = 0;
  reader.state().deviceIndex = 0;
  reader.state().devicePath() = "\\\\.\\PhysicalDrive0";
  reader.mapDevice(reader.state().devicePath(), path);
}

}  // namespace

SourceChoice ChooseVirtualDisk(SectorReader& reader, const std::string& path) {
  RecoveryState& state = reader.state();
  state.vmValid = 0;
  VirtualDiskOpenResult opened = reader.virtualDisk.Open(path);
  if (IsServedLayout(opened.typeText)) {
    state.vmValid = 1;
    state.vmFilePath = Utf8ToUtf16(path);
    state.vmFileName = Utf8ToUtf16(FileNamePart(path));
    const std::string& note = reader.virtualDisk.note();
    return {true, note.empty() ? std::string() : path + ": " + note};
  }
  if (opened.typeText == "Damaged") return {false, "File is highly Damaged can't be recoverd"};
  if (const std::string& unusable = reader.virtualDisk.unusableFile(); !unusable.empty())
    return {false, "Please select a correct virtual machine file (" + unusable + ")"};
  if (const std::string& missing = reader.virtualDisk.missingExtent(); !missing.empty())
    return {false, "Please select a correct virtual machine file (its extent file " + missing + " is missing)"};
  if (const std::string& problem = reader.virtualDisk.parentProblem(); !problem.empty())
    return {false, "Please select a correct virtual machine file (" + problem + ")"};
  if (opened.status == 0 && opened.typeText == "Used") return {false, "This file is in use please select another file"};
  if (opened.typeText == "seSparse")
    return {false, path + " is an ESXi snapshot of the seSparse kind, which this program does not read; convert it "
                          "with: qemu-img convert -O vmdk '" + path + "' converted.vmdk"};
  if (std::string kind = ForeignDiskKind(path); !kind.empty()) return {false, ForeignDiskMessage(path, kind)};
  if (opened.typeText.empty()) {
    if (std::string descriptor = DescriptorOfFlatExtent(path); !descriptor.empty()) {
      MapAsImage(reader, path);
      std::error_code error;
      std::string note = path + " is a flat extent of a VMware disk: read as a disk image";
      if (std::filesystem::exists(descriptor, error)) note += " (open " + descriptor + " for the whole disk)";
      return {true, note};
    }
  }
  return {false, "Please select a correct virtual machine file"};
}

SourceChoice ChooseSource(SectorReader& reader, const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {false, "Source not found: " + path};
  // A virtual disk file that cannot be opened is "in use" (a running machine holds it).
  if (EndsWithIgnoringCase(path, ".vmdk")) return ChooseVirtualDisk(reader, path);
  if (std::filesystem::is_directory(path, error))
    return {false, "Source is a folder, not a disk, an image or a virtual disk: " + path};
  if (std::string problem = SourceFileProblem(path); !problem.empty())
    return {false, "Source cannot be opened for reading: " + path + ": " + problem};
  if (std::string kind = ForeignDiskKind(path); !kind.empty()) return {false, ForeignDiskMessage(path, kind)};
  reader.state().vmValid = 0;
  reader.state().selectedItemText = Utf8ToUtf16(path);
  if (EndsWithIgnoringCase(path, "Image0.img")) {
    std::string text = path.substr(0, path.size() - 10) + "Image0.img";
    if (SelectImage(reader.state(), text)) return {true, {}};
  }
  MapAsImage(reader, path);
  return {true, {}};
}

std::string VirtualDiskWarning(SectorReader& reader) {
  if (reader.state().vmValid != 1) return {};
  const VirtualDiskDamage& damage = reader.virtualDisk.Damage();
  if (damage.sectorsBeyondFiles == 0) return {};
  std::string text = std::to_string(damage.sectorsBeyondFiles) +
                     " sectors of the virtual disk lie beyond its files and read as zeros";
  for (const std::string& file : damage.missingFiles) text += "\nmissing extent file: " + file;
  return text;
}

std::vector<std::string> SourcePaths(const SectorReader& reader) {
  const RecoveryState& state = reader.state();
  if (state.vmValid == 1) {
    std::vector<std::string> paths = reader.virtualDisk.extentPaths();
    paths.push_back(Utf16ToUtf8(state.vmFilePath));
    return paths;
  }
  if (state.imageSource == 1) return {Utf16ToUtf8(state.imageFolder) + "Image0.img"};
  return {ResolveDevicePath(reader.deviceMap(), state.currentDevicePath())};
}

}  // namespace vantor
