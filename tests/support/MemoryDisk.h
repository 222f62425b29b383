// A disk held in memory, served to a Session as physical disk 0, so that tests
// and fuzz targets can read byte-built volumes without files.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/Session.h"
#include "platform/RawDevice.h"

namespace vantor::test {

class MemoryDevice : public RawDevice {
 public:
  explicit MemoryDevice(const std::vector<uint8_t>* bytes) : bytes_(bytes) {}
  bool readAt(uint64_t offset, void* buffer, size_t length) override {
    std::memset(buffer, 0, length);
    if (offset < bytes_->size())
      std::memcpy(buffer, bytes_->data() + offset, std::min<uint64_t>(length, bytes_->size() - offset));
    return true;
  }
  bool writeAt(uint64_t, const void*, size_t) override { return false; }
  uint64_t size() override { return bytes_->size(); }

 private:
  const std::vector<uint8_t>* bytes_;
};

// Makes `session` read `bytes` (which must outlive it) as physical disk 0.
inline void AttachMemoryDisk(Session& session, const std::vector<uint8_t>& bytes) {
  session.deviceMap["\\\\.\\PhysicalDrive0"] = "memory";
  session.state.deviceIndex = 0;
  session.openDevice = [&bytes](const std::string&, DeviceAccess) -> std::unique_ptr<RawDevice> {
    return std::make_unique<MemoryDevice>(&bytes);
  };
}

}  // namespace vantor::test
