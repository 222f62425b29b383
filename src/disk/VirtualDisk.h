// Reader of VMware virtual disks (the published VMDK format), four layouts:
// "monolithicSparse" (one file: sparse extent header, embedded descriptor, grain
// directory, grain tables, grains), "twoGbMaxExtentSparse" (a descriptor file and
// sparse extents of up to 2 GB), "monolithicFlat" and "twoGbMaxExtentFlat" (a
// descriptor file and raw extents). Only ever read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/RawDevice.h"

namespace vantor {

// The fields of the 512-byte sparse extent header that this reader uses.
struct SparseExtentHeader {
  uint64_t capacity = 0;          // sectors
  uint64_t grainSize = 0;         // sectors per grain
  uint64_t descriptorOffset = 0;  // sectors; 0: no embedded descriptor
  uint64_t descriptorSize = 0;    // sectors
  uint32_t numGTEsPerGT = 0;
  uint64_t rgdOffset = 0;  // redundant grain directory, sectors
  uint64_t gdOffset = 0;   // grain directory, sectors
  uint64_t overHead = 0;   // sectors
};

struct VirtualDiskExtent {
  std::string fileName;  // as written in the descriptor
  std::string sizeText;  // size in sectors as written in the descriptor
};

struct VirtualDiskOpenResult {
  uint32_t status = 0;
  std::string typeText;  // a layout name, "Damaged", "Used" or empty
};

class VirtualDisk {
 public:
  // Checks the file and learns its layout; rebuilds this object each time.
  VirtualDiskOpenResult Open(const std::string& path);
  // Reads `byteCount` bytes (a multiple of 512) from `firstSector` into `buffer`,
  // which the caller has zero-filled. Returns the status of the last read.
  uint32_t Read(uint64_t firstSector, uint64_t byteCount, uint8_t* buffer);

  // The texts shown for the disk.
  const std::string& createType() const { return createType_; }
  uint64_t capacity() const { return capacity_; }
  std::string sizeGbText() const;  // capacity * 512 div 2^30, decimal
  const std::string& cylindersText() const { return cylinders_; }
  const std::string& headsText() const { return heads_; }
  const std::string& sectorsText() const { return sectors_; }
  std::string overHeadText() const;  // low 32 bits, decimal

  const std::vector<VirtualDiskExtent>& extents() const { return extents_; }
  const SparseExtentHeader& header() const { return header_; }

  // The information lines of Step 1 ("Virtual Machine Type  : ...").
  std::vector<std::string> InformationLines() const;

 private:
  bool OpenExtent(size_t index);
  bool ReadHeader();
  bool SelectGrainDirectory();
  void ParseDescriptor(RawDevice& file, uint64_t offset, uint64_t length);
  uint32_t ReadSparse(uint64_t sector, uint64_t byteCount, uint8_t* buffer);
  uint64_t ExtentSectors() const;

  std::unique_ptr<RawDevice> handle_;
  size_t currentExtent_ = 0;
  SparseExtentHeader header_;
  uint64_t grainDirectorySector_ = 0;
  uint64_t sectorsPerGrainTable_ = 0;
  std::string createType_;
  std::vector<VirtualDiskExtent> extents_;
  std::string folder_;
  uint64_t capacity_ = 0;
  std::string cylinders_;
  std::string heads_;
  std::string sectors_;
};

}  // namespace vantor
