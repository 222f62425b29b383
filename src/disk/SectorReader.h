// The opened source that everything recovers from: whole 512-byte sectors by
// 64-bit number, and the writes of disk imaging onto a target disk.
//
// Which source a read goes to is decided by the source switches of RecoveryState,
// tested in a fixed order on every read: a VMware virtual disk, then the end-sector
// guard, then an image made by disk imaging (one file or pieces of 1331200
// sectors), then a device. A device run is one request whatever its length; only a
// run that fails is read again in chunks of 40 sectors, so that a bad sector costs
// its own chunk. Unreadable sectors are put to the host as "Bad Sectors
// Encountered", whose answer may stand for the rest of the run. Status: nonzero for
// success.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/RecoveryState.h"
#include "core/Sector.h"
#include "core/WorkerHost.h"
#include "disk/VirtualDisk.h"
#include "platform/RawDevice.h"

namespace vantor {

// A device run that fails is read again in chunks of this many sectors.
inline constexpr uint32_t kDeviceRunSectors = 40;
inline constexpr uint64_t kImagePieceSectors = 1331200;
inline constexpr uint64_t kImagePieceBytes = kImagePieceSectors * 512;  // 650 MiB
// The longest run readRun reads in one request.
inline constexpr uint32_t kRunSectors = 2048;  // 1 MiB

class SectorReader {
 public:
  explicit SectorReader(RecoveryState& state);
  SectorReader(const SectorReader&) = delete;
  SectorReader& operator=(const SectorReader&) = delete;

  // Reads from the current source (the device path table entry of deviceIndex).
  // Every sector of the buffer is written: what the source cannot deliver (a
  // source that cannot be opened, sectors past its end, a failed read that was
  // skipped) is zeros.
  uint32_t read(uint64_t first, uint32_t count, uint8_t* buffer);
  // Reads from the device `devicePath` names, or from the virtual disk or image
  // when one is the source.
  uint32_t readFrom(const std::string& devicePath, uint64_t first, uint32_t count, uint8_t* buffer);
  // One sector of the current source (zeros where the source cannot deliver it).
  SectorBytes readOne(uint64_t sector);
  // The number of sectors of the current source: the virtual disk's capacity,
  // the image's pieces together, or the device's size; 0 when unknown.
  uint64_t sourceSectors();
  // The first sector at or after `sector` that may hold other bytes than zeros
  // (a sparse image's holes are passed over); `sector` itself when unknown.
  uint64_t dataFrom(uint64_t sector);
  // Reads a run with the bad-sector questions held back; false when the source
  // would have asked (the buffer then holds zeros where sectors failed).
  bool readQuietly(uint64_t first, uint32_t count, uint8_t* buffer);
  // Reads a run of a file's content, whose unit of reading is a piece of
  // `pieceSectors` (8 sectors on volumes with clusters of 4 KiB or more, else 1),
  // in one request where it can, and gives the bytes and the bad-sector questions
  // of the piece-wise reads:
  // - under Retry All nothing is asked and every bad sector is read again on its
  //   own either way, so the run is read at once;
  // - otherwise the run is first read with the questions held back; when the
  //   source would have asked, the run is read again piece by piece, which asks
  //   exactly the questions of the piece-wise reads and leaves their bytes. Under
  //   Skip All this keeps the loss to the pieces that hold a bad sector, where a
  //   skipped run would lose a whole chunk of 40 sectors.
  void readRun(uint64_t first, uint32_t count, uint32_t pieceSectors, uint8_t* buffer);
  // The reads of the current source as a plain function, and the quiet reads
  // (nonzero when the source would not have asked).
  SectorRead function();
  SectorRead quietFunction();
  // Writes to the device `devicePath` names; the device stays open for the writes
  // that follow.
  uint32_t write(const std::string& devicePath, uint64_t first, uint32_t count, const uint8_t* buffer);

  // Applies the bad-sector policy: asks unless an answer stands. True means retry.
  bool badSectorRetry();

  // The host that answers the questions of whatever runs now; never null.
  WorkerHost& host() { return *host_; }
  void setHost(WorkerHost* host) { host_ = host != nullptr ? host : &quietHost_; }
  RecoveryState& state() { return state_; }
  const RecoveryState& state() const { return state_; }

  VirtualDisk virtualDisk;
  // Device names as the tables hold them ("\\.\PhysicalDrive0", "\\.\C:") mapped to
  // a device or file of this machine; names not listed are looked up in /sys/block
  // and the mount table. A change closes the devices held open, so that a name
  // mapped anew is read from its new place.
  const std::map<std::string, std::string>& deviceMap() const { return deviceMap_; }
  void mapDevice(const std::string& name, const std::string& path);
  void unmapDevice(const std::string& name);
  void setDeviceMap(std::map<std::string, std::string> map);
  // Opens devices and files from now on (tests open failing-sector devices);
  // the devices held open are closed.
  void setOpener(DeviceOpener opener);

 private:
  struct OpenDevice {
    std::string name;
    std::unique_ptr<RawDevice> device;
  };

  RawDevice* cached(OpenDevice& slot, const std::string& name, DeviceAccess access);
  void closeDevices();
  std::string deviceName(const std::string& devicePath) const;
  uint32_t readImage(uint64_t first, uint32_t count, uint8_t* buffer);
  uint32_t readImageFile(const std::string& path, uint64_t sector, uint64_t count, uint8_t* buffer);
  uint32_t readDevice(const std::string& devicePath, uint64_t first, uint32_t count, uint8_t* buffer);

  RecoveryState& state_;
  std::map<std::string, std::string> deviceMap_;
  DeviceOpener openDevice_;
  WorkerHost quietHost_;
  WorkerHost* host_ = &quietHost_;
  OpenDevice reading_;
  OpenDevice writing_;
};

// Puts `host` in the place of the reader's host for its lifetime.
class ScopedHost {
 public:
  ScopedHost(SectorReader& reader, WorkerHost& host) : reader_(reader), previous_(reader.host()) {
    reader_.setHost(&host);
  }
  ~ScopedHost() { reader_.setHost(&previous_); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  SectorReader& reader_;
  WorkerHost& previous_;
};

// Sets the bad-sector policy for its lifetime.
class ScopedPolicy {
 public:
  ScopedPolicy(RecoveryState& state, int32_t policy) : state_(state), previous_(state.badSectorPolicy) {
    state_.badSectorPolicy = policy;
  }
  ~ScopedPolicy() { state_.badSectorPolicy = previous_; }
  ScopedPolicy(const ScopedPolicy&) = delete;
  ScopedPolicy& operator=(const ScopedPolicy&) = delete;

 private:
  RecoveryState& state_;
  int32_t previous_;
};

// The piece file of absolute sector `sector` of a split image in `folder`; replaces
// `sector` by the sector within that piece.
std::string ImagePieceName(const std::string& folder, uint64_t& sector);

// Image selection of Step 1 for an item text that ends in "Image0.img": sets
// imageSource, imageFolder and imageSplit. False when the file does not exist.
bool SelectImage(RecoveryState& state, const std::string& itemText);

// The pieces "image0.img", "image1.img", ... of an image in `folder`, found
// regardless of letter case, counted up to the first one missing.
struct ImagePieces {
  int count = 0;
  uint64_t totalBytes = 0;
};
ImagePieces FindImagePieces(const std::string& folder);

}  // namespace vantor
