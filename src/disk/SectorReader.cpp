#include "disk/SectorReader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/Sector.h"
#include "platform/DevicePaths.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

void Zero(uint8_t* buffer, uint64_t sectors) { std::memset(buffer, 0, sectors * kSectorSize); }

bool StartsWith(const std::u16string& text, const char16_t* prefix) {
  return text.rfind(prefix, 0) == 0;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// The file of an image source, found regardless of letter case; empty if absent.
std::string ExistingImageFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error)) return path;
  size_t slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  return FindFileIgnoringCase(folder, path.substr(slash == std::string::npos ? 0 : slash + 1));
}

// Reads `count` sectors one by one, zero-filling each that still fails.
void ReadOneByOne(RawDevice& device, uint64_t first, uint32_t count, uint8_t* buffer) {
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* sector = buffer + static_cast<size_t>(i) * kSectorSize;
    if (!device.readAt((first + i) * kSectorSize, sector, kSectorSize)) std::memset(sector, 0, kSectorSize);
  }
}

// Stands in for the reader's host while a run is read with questions held back:
// records whether the source would have asked, and answers Skip.
class HeldQuestions : public WorkerHost {
 public:
  int32_t askBadSectors() override {
    asked = true;
    return kSkip;
  }
  bool asked = false;
};

}  // namespace

SectorReader::SectorReader(RecoveryState& state) : state_(state), openDevice_(OpenFileDevice) {}

void SectorReader::closeDevices() {
  reading_ = {};
  writing_ = {};
}

void SectorReader::setOpener(DeviceOpener opener) {
  openDevice_ = std::move(opener);
  closeDevices();
}

void SectorReader::mapDevice(const std::string& name, const std::string& path) {
  deviceMap_[name] = path;
  closeDevices();
}

void SectorReader::unmapDevice(const std::string& name) {
  deviceMap_.erase(name);
  closeDevices();
}

void SectorReader::setDeviceMap(std::map<std::string, std::string> map) {
  deviceMap_ = std::move(map);
  closeDevices();
}

bool SectorReader::badSectorRetry() {
  int32_t& policy = state_.badSectorPolicy;
  if (policy != kRetryAll && policy != kSkipAll) {
    int32_t answer = host().askBadSectors();
    policy = answer >= kRetry && answer <= kSkipAll ? answer : kSkip;
  }
  return policy == kRetry || policy == kRetryAll;
}

// Steps 3 and 4 of an image read and the read itself, for one file. Sectors the
// file cannot deliver are zeros, after the bad-sector question.
uint32_t SectorReader::readImageFile(const std::string& path, uint64_t sector, uint64_t count, uint8_t* buffer) {
  for (int attempt = 0;; ++attempt) {
    std::string existing = ExistingImageFile(path);
    auto file = existing.empty() ? nullptr : openDevice_(existing, DeviceAccess::kRead);
    if (file == nullptr) {
      Zero(buffer, count);
      return 0;
    }
    if (sector * kSectorSize <= file->size()) return file->readAt(sector * kSectorSize, buffer, count * kSectorSize) ? 1 : 0;
    if (attempt > 0 || !badSectorRetry()) {
      Zero(buffer, count);
      return 0;
    }
  }
}

uint32_t SectorReader::readImage(uint64_t first, uint32_t count, uint8_t* buffer) {
  std::string folder = Utf16ToUtf8(state_.imageFolder);
  uint64_t sector = first;
  std::string path = state_.imageSplit == 1 ? ImagePieceName(folder, sector) : WithSlash(folder) + "Image0.img";
  if (ExistingImageFile(path).empty()) {
    if (!badSectorRetry() || ExistingImageFile(path).empty()) {
      Zero(buffer, count);
      return 0;
    }
  }
  if (state_.imageSplit != 1 || sector + count < kImagePieceSectors) return readImageFile(path, sector, count, buffer);
  // The request runs to or past the end of this piece: the rest comes from the
  // pieces that follow, each from its sector 0.
  uint32_t status = 0;
  uint64_t absolute = first;
  uint64_t remaining = count;
  while (remaining > 0) {
    uint64_t inPiece = absolute;
    std::string piece = ImagePieceName(folder, inPiece);
    uint64_t part = std::min<uint64_t>(remaining, kImagePieceSectors - inPiece);
    status = readImageFile(piece, inPiece, part, buffer);
    buffer += part * kSectorSize;
    absolute += part;
    remaining -= part;
  }
  return status;
}

RawDevice* SectorReader::cached(OpenDevice& slot, const std::string& name, DeviceAccess access) {
  if (slot.device != nullptr && slot.name == name) return slot.device.get();
  slot.device.reset();
  slot.name = name;
  std::string path = ResolveDevicePath(deviceMap_, name);
  if (!path.empty()) slot.device = openDevice_(path, access);
  return slot.device.get();
}

// The device name a read goes to: the floppy when the selected item is one.
std::string SectorReader::deviceName(const std::string& devicePath) const {
  return StartsWith(state_.selectedItemText, u"Floppy") ? "\\\\.\\A:" : devicePath;
}

uint32_t SectorReader::readDevice(const std::string& devicePath, uint64_t first, uint32_t count, uint8_t* buffer) {
  RawDevice* device = cached(reading_, deviceName(devicePath), DeviceAccess::kRead);
  if (device == nullptr) {
    Zero(buffer, count);
    return 0;
  }
  // A run is one request, whatever its length: on a spinning disk or a network
  // share the number of requests decides the time. Only a run that fails is read
  // again in chunks of 40 sectors, so that a bad sector costs its own chunk.
  if (device->readAt(first * kSectorSize, buffer, static_cast<size_t>(count) * kSectorSize)) return 1;
  if (count <= kDeviceRunSectors) {
    if (badSectorRetry()) ReadOneByOne(*device, first, count, buffer);
    return 0;
  }
  uint32_t status = 0;
  uint32_t whole = count / kDeviceRunSectors;
  for (uint32_t chunk = 0; chunk < whole; ++chunk) {
    uint64_t sector = first + static_cast<uint64_t>(chunk) * kDeviceRunSectors;
    uint8_t* part = buffer + static_cast<size_t>(chunk) * kDeviceRunSectors * kSectorSize;
    status = device->readAt(sector * kSectorSize, part, kDeviceRunSectors * kSectorSize) ? 1 : 0;
    if (status == 0 && badSectorRetry()) ReadOneByOne(*device, sector, kDeviceRunSectors, part);
  }
  uint32_t rest = count % kDeviceRunSectors;
  if (rest > 0) {
    uint64_t sector = first + static_cast<uint64_t>(whole) * kDeviceRunSectors;
    uint8_t* part = buffer + static_cast<size_t>(whole) * kDeviceRunSectors * kSectorSize;
    // The tail after the whole chunks is a run like them: a Retry reads it again
    // sector by sector instead of leaving what the failed read left.
    if (!device->readAt(sector * kSectorSize, part, static_cast<size_t>(rest) * kSectorSize)) {
      if (badSectorRetry()) ReadOneByOne(*device, sector, rest, part);
      return 0;
    }
  }
  return status;
}

std::string ImagePieceName(const std::string& folder, uint64_t& sector) {
  uint64_t byte = sector * kSectorSize;
  std::string path = WithSlash(folder) + "image" + std::to_string(byte / kImagePieceBytes) + ".img";
  sector = (byte % kImagePieceBytes) / kSectorSize;
  return path;
}

uint32_t SectorReader::readFrom(const std::string& devicePath, uint64_t first, uint32_t count, uint8_t* buffer) {
  if (state_.vmValid == 1) {
    Zero(buffer, count);
    return virtualDisk.Read(first, static_cast<uint64_t>(count) * kSectorSize, buffer);
  }
  if (state_.endSector > 0 && first > state_.endSector) {
    Zero(buffer, count);
    return 0;
  }
  if (state_.imageSource == 1) return readImage(first, count, buffer);
  return readDevice(devicePath, first, count, buffer);
}

uint32_t SectorReader::read(uint64_t first, uint32_t count, uint8_t* buffer) {
  return readFrom(state_.currentDevicePath(), first, count, buffer);
}

SectorBytes SectorReader::readOne(uint64_t sector) {
  SectorBytes bytes{};
  read(sector, 1, bytes.data());
  return bytes;
}

uint64_t SectorReader::sourceSectors() {
  if (state_.vmValid == 1) return virtualDisk.capacity();
  if (state_.imageSource == 1) {
    const std::string folder = Utf16ToUtf8(state_.imageFolder);
    uint64_t bytes = 0;
    for (uint64_t piece = 0;; ++piece) {
      uint64_t sector = piece * kImagePieceSectors;
      const std::string path = state_.imageSplit == 1 ? ImagePieceName(folder, sector) : WithSlash(folder) + "Image0.img";
      const std::string existing = ExistingImageFile(path);
      auto file = existing.empty() ? nullptr : openDevice_(existing, DeviceAccess::kRead);
      if (file == nullptr) break;
      bytes += file->size();
      if (state_.imageSplit != 1 || file->size() < kImagePieceBytes) break;
    }
    return bytes / kSectorSize;
  }
  RawDevice* device = cached(reading_, deviceName(state_.currentDevicePath()), DeviceAccess::kRead);
  return device == nullptr ? 0 : device->size() / kSectorSize;
}

uint64_t SectorReader::dataFrom(uint64_t sector) {
  if (state_.vmValid == 1 || (state_.imageSource == 1 && state_.imageSplit == 1)) return sector;
  RawDevice* device = nullptr;
  if (state_.imageSource == 1) {
    const std::string path = ExistingImageFile(WithSlash(Utf16ToUtf8(state_.imageFolder)) + "Image0.img");
    if (path.empty()) return sector;
    auto file = openDevice_(path, DeviceAccess::kRead);
    return file == nullptr ? sector : std::max(sector, file->dataFrom(sector * kSectorSize) / kSectorSize);
  }
  device = cached(reading_, deviceName(state_.currentDevicePath()), DeviceAccess::kRead);
  return device == nullptr ? sector : std::max(sector, device->dataFrom(sector * kSectorSize) / kSectorSize);
}

bool SectorReader::readQuietly(uint64_t first, uint32_t count, uint8_t* buffer) {
  HeldQuestions held;
  ScopedHost quiet(*this, held);
  ScopedPolicy skipping(state_, kSkip);
  read(first, count, buffer);
  return !held.asked;
}

void SectorReader::readRun(uint64_t first, uint32_t count, uint32_t pieceSectors, uint8_t* buffer) {
  if (state_.badSectorPolicy == kRetryAll || count <= pieceSectors) {
    read(first, count, buffer);
    return;
  }
  if (readQuietly(first, count, buffer)) return;
  for (uint32_t done = 0; done < count; done += pieceSectors)
    read(first + done, std::min(pieceSectors, count - done), buffer + static_cast<size_t>(done) * kSectorSize);
}

SectorRead SectorReader::function() {
  return [this](uint64_t first, uint32_t count, uint8_t* buffer) { return read(first, count, buffer); };
}

SectorRead SectorReader::quietFunction() {
  return [this](uint64_t first, uint32_t count, uint8_t* buffer) { return readQuietly(first, count, buffer) ? 1u : 0u; };
}

uint32_t SectorReader::write(const std::string& devicePath, uint64_t first, uint32_t count, const uint8_t* buffer) {
  RawDevice* device = cached(writing_, deviceName(devicePath), DeviceAccess::kWrite);
  if (device == nullptr) return 0;
  const auto writeOneByOne = [&](uint64_t from, uint32_t sectors, const uint8_t* data) {
    for (uint32_t i = 0; i < sectors; ++i)
      device->writeAt((from + i) * kSectorSize, data + static_cast<size_t>(i) * kSectorSize, kSectorSize);
  };
  if (count <= kDeviceRunSectors) {
    if (device->writeAt(first * kSectorSize, buffer, static_cast<size_t>(count) * kSectorSize)) return 1;
    writeOneByOne(first, count, buffer);
    return 0;
  }
  uint32_t status = 0;
  uint32_t whole = count / kDeviceRunSectors;
  for (uint32_t chunk = 0; chunk < whole; ++chunk) {
    uint64_t sector = first + static_cast<uint64_t>(chunk) * kDeviceRunSectors;
    const uint8_t* part = buffer + static_cast<size_t>(chunk) * kDeviceRunSectors * kSectorSize;
    status = device->writeAt(sector * kSectorSize, part, kDeviceRunSectors * kSectorSize) ? 1 : 0;
    if (status == 0) writeOneByOne(sector, kDeviceRunSectors, part);
  }
  uint32_t rest = count % kDeviceRunSectors;
  if (rest > 0) {
    uint64_t sector = first + static_cast<uint64_t>(whole) * kDeviceRunSectors;
    const uint8_t* part = buffer + static_cast<size_t>(whole) * kDeviceRunSectors * kSectorSize;
    if (!device->writeAt(sector * kSectorSize, part, static_cast<size_t>(rest) * kSectorSize)) return 0;
  }
  return status;
}

bool SelectImage(RecoveryState& state, const std::string& itemText) {
  const std::string tail = "Image0.img";
  bool isImage = itemText.size() >= tail.size() && itemText.compare(itemText.size() - tail.size(), tail.size(), tail) == 0;
  state.imageSource = isImage ? 1 : 0;
  if (!isImage) return false;
  std::string folder = itemText.substr(0, itemText.size() - tail.size());
  state.imageFolder = Utf8ToUtf16(folder);
  std::error_code error;
  if (!std::filesystem::exists(itemText, error)) {
    state.imageSource = 0;
    return false;
  }
  const ImagePieces pieces = FindImagePieces(folder);
  state.imageSplit = (pieces.totalBytes <= kImagePieceBytes || pieces.count > 1) ? 1 : 0;
  return true;
}

ImagePieces FindImagePieces(const std::string& folder) {
  ImagePieces pieces;
  std::error_code error;
  for (;; ++pieces.count) {
    std::string piece = FindFileIgnoringCase(folder, "image" + std::to_string(pieces.count) + ".img");
    if (piece.empty()) break;
    pieces.totalBytes += std::filesystem::file_size(piece, error);
  }
  return pieces;
}

}  // namespace vantor
