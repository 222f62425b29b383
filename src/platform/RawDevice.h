// Raw access to a device or a file by its path on this machine.
//
// Readers open read-only (O_RDONLY); only the write path used by disk imaging
// opens for writing. A read that runs past the end of a file delivers what there
// is and zeros after it, as a device read at the end of a disk would deliver
// nothing; an I/O error is a failed read, which leaves zeros where it read nothing.
//
// The opener is a seam: tests replace it with a device whose listed sectors fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace vantor {

class RawDevice {
 public:
  virtual ~RawDevice() = default;
  // Reads `length` bytes at `offset`; false on an I/O error.
  virtual bool readAt(uint64_t offset, void* buffer, size_t length) = 0;
  // Writes `length` bytes at `offset`; false unless all were written.
  virtual bool writeAt(uint64_t offset, const void* buffer, size_t length) = 0;
  // Size in bytes, or 0 when unknown.
  virtual uint64_t size() = 0;
  // The first offset at or after `offset` that may hold other bytes than zeros:
  // the holes of a sparse file read as zeros and a sweep may pass them over.
  virtual uint64_t dataFrom(uint64_t offset) { return offset; }
};

enum class DeviceAccess { kRead, kWrite };

using DeviceOpener = std::function<std::unique_ptr<RawDevice>(const std::string& path, DeviceAccess)>;

// Opens a file or block device with open(2); null when it cannot be opened or
// is neither (a FIFO, a socket, a terminal: opening one never blocks).
std::unique_ptr<RawDevice> OpenFileDevice(const std::string& path, DeviceAccess access);
// Why `path` cannot be read as a source: it is missing, cannot be opened, or is
// neither a regular file nor a block device. Empty when it can. Never blocks.
std::string SourceFileProblem(const std::string& path);

// A file-backed device whose listed sectors fail to read (a request that touches
// one of them fails as a whole, as a disk's would). Reads count every request.
class FailingSectorDevice : public RawDevice {
 public:
  FailingSectorDevice(std::unique_ptr<RawDevice> backing, std::set<uint64_t> badSectors);
  bool readAt(uint64_t offset, void* buffer, size_t length) override;
  bool writeAt(uint64_t offset, const void* buffer, size_t length) override;
  uint64_t size() override { return backing_->size(); }
  size_t readRequests() const { return readRequests_; }

 private:
  std::unique_ptr<RawDevice> backing_;
  std::set<uint64_t> badSectors_;
  size_t readRequests_ = 0;
};

}  // namespace vantor
