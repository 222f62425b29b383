#include "platform/DevicePaths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/ConfigStore.h"

namespace vantor {
namespace {

constexpr const char* kPhysicalPrefix = "\\\\.\\PhysicalDrive";
constexpr const char* kVolumePrefix = "\\\\.\\";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool LeftOut(const std::string& name) {
  return StartsWith(name, "loop") || StartsWith(name, "ram") || StartsWith(name, "zram");
}

// Mount-table fields escape spaces and the like as octal "\040".
std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> ListWholeDisks() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/block", error)) {
    std::string name = entry.path().filename().string();
    if (!LeftOut(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (auto& name : names) name = "/dev/" + name;
  return names;
}

std::vector<MountedVolume> ListMountedVolumes() {
  std::vector<MountedVolume> volumes;
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  char letter = 'C';
  while (std::getline(mounts, line) && letter <= 'Z') {
    std::istringstream fields(line);
    std::string source, target, type;
    fields >> source >> target >> type;
    if (!StartsWith(source, "/dev/")) continue;
    std::error_code error;
    if (!std::filesystem::is_block_file(source, error)) continue;
    volumes.push_back({letter++, UnescapeMountField(source), UnescapeMountField(target), type});
  }
  return volumes;
}

std::string ResolveDevicePath(const std::map<std::string, std::string>& deviceMap, const std::string& name) {
  if (auto mapped = deviceMap.find(name); mapped != deviceMap.end()) return mapped->second;
  if (StartsWith(name, kPhysicalPrefix)) {
    std::string digits = name.substr(std::string(kPhysicalPrefix).size());
    if (digits.size() != 1 || !std::isdigit(static_cast<unsigned char>(digits[0]))) return {};
    auto disks = ListWholeDisks();
    size_t index = static_cast<size_t>(digits[0] - '0');
    return index < disks.size() ? disks[index] : std::string();
  }
  if (StartsWith(name, kVolumePrefix) && name.size() == 6 && name[5] == ':') {
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[4])));
    if (letter == 'A') return "/dev/fd0";
    for (const auto& volume : ListMountedVolumes())
      if (volume.letter == letter) return volume.device;
  }
  return {};
}

std::map<std::string, std::string> LoadDeviceMap(const ConfigStore& store) {
  std::map<std::string, std::string> map;
  for (int n = 0; n <= 9; ++n) {
    std::string key = "PhysicalDrive" + std::to_string(n);
    if (auto value = store.get("Device Map", key)) map[std::string(kVolumePrefix) + key] = *value;
  }
  return map;
}

std::string FindFileIgnoringCase(const std::string& folder, const std::string& name) {
  std::error_code error;
  std::filesystem::path exact = std::filesystem::path(folder) / name;
  if (std::filesystem::exists(exact, error)) return exact.string();
  const auto lower = [](std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::string wanted = lower(name);
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error))
    if (lower(entry.path().filename().string()) == wanted) return entry.path().string();
  return {};
}

}  // namespace vantor
