// A disk held in memory: sectors that were never written read as zeros, so a
// test can place a few sectors anywhere on a disk of any size (also past 2 TiB).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/RawDevice.h"
#include "session/Session.h"

namespace vantor::test {

class MemoryDisk {
 public:
  std::map<uint64_t, std::vector<uint8_t>> sectors;
  uint64_t sizeSectors = 0;  // what the device says of its size; 0 unknown

  std::vector<uint8_t>& sector(uint64_t n) {
    auto& bytes = sectors[n];
    bytes.resize(512);
    return bytes;
  }
  // Copies `bytes` from sector `first` on, across as many sectors as they fill.
  void Put(uint64_t first, const uint8_t* bytes, size_t length) {
    for (size_t done = 0; done < length; done += 512)
      std::memcpy(sector(first + done / 512).data(), bytes + done, std::min<size_t>(512, length - done));
  }
};

class MemoryDevice : public RawDevice {
 public:
  explicit MemoryDevice(std::shared_ptr<MemoryDisk> disk) : disk_(std::move(disk)) {}
  bool readAt(uint64_t offset, void* buffer, size_t length) override {
    auto* out = static_cast<uint8_t*>(buffer);
    for (size_t done = 0; done < length;) {
      uint64_t at = offset + done;
      size_t inSector = static_cast<size_t>(at % 512);
      size_t part = std::min<size_t>(512 - inSector, length - done);
      auto found = disk_->sectors.find(at / 512);
      if (found == disk_->sectors.end())
        std::memset(out + done, 0, part);
      else
        std::memcpy(out + done, found->second.data() + inSector, part);
      done += part;
    }
    return true;
  }
  bool writeAt(uint64_t, const void*, size_t) override { return false; }
  uint64_t size() override { return disk_->sizeSectors * 512; }

 private:
  std::shared_ptr<MemoryDisk> disk_;
};

// Makes the disk the session's physical disk 0, the current source.
inline void UseMemoryDisk(Session& session, std::shared_ptr<MemoryDisk> disk) {
  session.reader.mapDevice("\\\\.\\PhysicalDrive0", "memory");
  session.reader.setOpener([disk](const std::string&, DeviceAccess) { return std::make_unique<MemoryDevice>(disk); });
  session.state.deviceIndex = 0;
}

}  // namespace vantor::test
