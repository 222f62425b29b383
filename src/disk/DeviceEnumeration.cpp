#include "disk/DeviceEnumeration.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/ByteView.h"
#include "platform/ConfigStore.h"
#include "platform/DevicePaths.h"
#include "platform/RawDevice.h"

namespace vantor {
namespace {

constexpr std::array<const char*, 7> kSubKeys = {"Cylinder", "Head",  "SectorsPerTrack", "Size",
                                                 "Model",    "MediaType", "DisplayDevice"};
constexpr uint64_t kHeads = 255;
constexpr uint64_t kSectorsPerTrack = 63;

std::string SubKey(const char* name) { return std::string(kDeviceStoreKey) + "\\" + name; }
std::string DiskValue(int n) { return "Disk" + std::to_string(n); }

std::string ReadFirstLine(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

bool LeftOut(const std::string& name) {
  return name.rfind("loop", 0) == 0 || name.rfind("ram", 0) == 0 || name.rfind("zram", 0) == 0;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == 0)) text.pop_back();
  return text;
}

// The label and name that a FAT or NTFS boot sector, or an ext superblock, gives.
struct VolumeNames {
  std::string label;
  std::string fileSystem;
};

VolumeNames ReadVolumeNames(const std::string& device) {
  VolumeNames names;
  auto handle = OpenFileDevice(device, DeviceAccess::kRead);
  std::array<uint8_t, 2048> bytes{};
  if (!handle || !handle->readAt(0, bytes.data(), bytes.size())) return names;
  ByteView boot(bytes.data(), bytes.size());
  auto text = [&](size_t offset, size_t count) {
    return Trimmed(std::string(reinterpret_cast<const char*>(bytes.data() + offset), count));
  };
  if (boot.matches(82, "FAT32")) {
    names = {text(71, 11), "FAT32"};
  } else if (boot.matches(54, "FAT16") || boot.matches(54, "FAT12")) {
    names = {text(43, 11), text(54, 5)};
  } else if (boot.matches(3, "NTFS")) {
    names.fileSystem = "NTFS";
  } else if (boot.le16(1024 + 56) == 0xEF53) {
    names = {text(1024 + 120, 16), "EXT"};
  }
  if (names.label == "NO NAME") names.label.clear();
  return names;
}

bool IsOpticalDevice(const std::string& device) {
  std::string name = device.substr(device.find_last_of('/') + 1);
  return name.rfind("sr", 0) == 0 || name.rfind("scd", 0) == 0;
}

std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Format(const char* format, double value, const char* unit) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return std::string(text) + unit;
}

}  // namespace

std::vector<DiskFacts> ReadBlockDisks(const std::string& sysBlock) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysBlock, error)) {
    std::string name = entry.path().filename().string();
    if (!LeftOut(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<DiskFacts> disks;
  for (const auto& name : names) {
    std::filesystem::path folder = std::filesystem::path(sysBlock) / name;
    DiskFacts facts;
    facts.device = "/dev/" + name;
    facts.sizeBytes = std::strtoull(ReadFirstLine(folder / "size").c_str(), nullptr, 10) * 512;
    facts.model = ReadFirstLine(folder / "device" / "model");
    facts.removable = ReadFirstLine(folder / "removable") == "1";
    disks.push_back(facts);
  }
  return disks;
}

void ClearDeviceStore(ConfigStore& store) {
  for (const char* key : kSubKeys) store.eraseSection(SubKey(key));
  store.eraseSection(kDeviceStoreKey);
  store.createSection(kDeviceStoreKey);
}

void WriteDeviceStore(ConfigStore& store, const std::vector<DiskFacts>& disks) {
  for (size_t i = 0; i < disks.size() && i < kMaxStoredDisks; ++i) {
    const DiskFacts& disk = disks[i];
    std::string value = DiskValue(static_cast<int>(i));
    store.set(kDeviceStoreKey, value, disk.device);
    store.set(SubKey("Cylinder"), value, std::to_string(disk.sizeBytes / (kHeads * kSectorsPerTrack * 512)));
    store.set(SubKey("Head"), value, std::to_string(kHeads));
    store.set(SubKey("SectorsPerTrack"), value, std::to_string(kSectorsPerTrack));
    store.set(SubKey("Size"), value, std::to_string(disk.sizeBytes));
    store.set(SubKey("Model"), value, disk.model);
    store.set(SubKey("MediaType"), value,
              disk.removable ? "Removable media other than floppy" : "Fixed hard disk media");
    store.set(SubKey("DisplayDevice"), value, disk.device);
  }
}

std::vector<DiskEntry> ListStoredDisks(const ConfigStore& store) {
  std::vector<DiskEntry> disks;
  for (int n = 0; n < kMaxStoredDisks; ++n) {
    auto text = store.get(kDeviceStoreKey, DiskValue(n));
    if (text && !text->empty()) disks.push_back({n, DiskValue(n)});
  }
  return disks;
}

std::string DriveItemText(const std::string& label, char letter) {
  std::string drive = std::string(" (") + letter + ":)";
  return (label.empty() ? std::string("Local Disk") : label) + drive;
}

std::vector<LogicalDrive> ListLogicalDrives() {
  std::vector<LogicalDrive> drives;
  for (const MountedVolume& volume : ListMountedVolumes()) {
    if (volume.letter == 'A' || volume.letter == 'B' || IsOpticalDevice(volume.device)) continue;
    VolumeNames names = ReadVolumeNames(volume.device);
    LogicalDrive drive;
    drive.letter = volume.letter;
    drive.itemText = DriveItemText(names.label, volume.letter);
    drive.device = volume.device;
    drive.mountPoint = volume.mountPoint;
    drive.fileSystem = names.fileSystem.empty() ? Upper(volume.type) : names.fileSystem;
    struct statvfs space {};
    if (::statvfs(volume.mountPoint.c_str(), &space) == 0) {
      drive.totalBytes = static_cast<uint64_t>(space.f_blocks) * space.f_frsize;
      drive.freeBytes = static_cast<uint64_t>(space.f_bavail) * space.f_frsize;
    }
    drives.push_back(drive);
  }
  return drives;
}

DeviceList RefreshDeviceStore(ConfigStore& store, bool virtualDiskInUse, const std::string& sysBlock) {
  ClearDeviceStore(store);
  DeviceList list;
  if (virtualDiskInUse) return list;
  list.drives = ListLogicalDrives();
  WriteDeviceStore(store, ReadBlockDisks(sysBlock));
  list.disks = ListStoredDisks(store);
  return list;
}

std::string DriveByteText(uint64_t bytes) {
  const double b = static_cast<double>(bytes);
  if (bytes >= (1ULL << 30)) return Format("%.1f", b / (1ULL << 30), " GB");
  if (bytes >= (1ULL << 20)) return Format("%.1f", b / (1ULL << 20), " MB");
  if (bytes > 0) return Format("%.1f", b / (1ULL << 10), " KB");
  return "0";
}

std::vector<std::string> DriveInformationLines(const LogicalDrive& drive) {
  std::string name = drive.itemText.size() >= 4 ? drive.itemText.substr(0, drive.itemText.size() - 4) : "";
  uint64_t used = drive.totalBytes >= drive.freeBytes ? drive.totalBytes - drive.freeBytes : 0;
  return {"Volume Name : " + name, "File System : " + drive.fileSystem,
          "Capacity : " + DriveByteText(drive.totalBytes), "Used Space : " + DriveByteText(used),
          "Free Space : " + DriveByteText(drive.freeBytes)};
}

std::vector<std::string> DeviceInformationLines(const ConfigStore& store, int disk) {
  if (disk < 0) return {};
  std::string value = DiskValue(disk);
  auto get = [&](const char* key) { return store.get(SubKey(key), value).value_or(""); };
  uint64_t size = std::strtoull(get("Size").c_str(), nullptr, 10);
  return {"Physical Disk Number : " + std::to_string(disk), "Model   : " + get("Model"),
          "Media Type   : " + get("MediaType"),     "Cylinder   : " + get("Cylinder"),
          "Head   : " + get("Head"),               "Sectors Per Track   : " + get("SectorsPerTrack"),
          "Disk Size  : " + std::to_string(size / 1048576) + " MB"};
}

}  // namespace vantor
