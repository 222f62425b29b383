// Reader of VMware virtual disks (the published VMDK format), four layouts:
// "monolithicSparse" (one file: sparse extent header, embedded descriptor, grain
// directory, grain tables, grains), "twoGbMaxExtentSparse" (a descriptor file and
// sparse extents of up to 2 GB), "monolithicFlat" and "twoGbMaxExtentFlat" (a
// descriptor file and raw extents), "streamOptimized" (the usual export: one
// sparse file whose grains are compressed) and ESXi's descriptors: "vmfs" over a
// flat extent, "vmfsSparse" (snapshots) over a COWD sparse extent. Only ever read.
//
// A snapshot is a sparse disk whose descriptor names its parent (parentCID other
// than ffffffff, parentFileNameHint): what it does not hold, it reads from the
// parent, which may be a snapshot in turn. The parent's own CID must be the
// parentCID the snapshot was taken against: a parent written to since then no
// longer holds what the snapshot left to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/RawDevice.h"

namespace vantor {

// The fields of the 512-byte sparse extent header that this reader uses.
struct SparseExtentHeader {
  uint32_t flags = 0;             // bit 16: compressed grains
  uint16_t compressAlgorithm = 0;  // 1: deflate
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
  std::string path;      // the file this reader opens for it; empty inside a sparse file
};

// What of the disk its files do not hold: sectors whose grain, grain table or
// extent lies past the end of its file or is missing, which read as zeros.
struct VirtualDiskDamage {
  uint64_t sectorsBeyondFiles = 0;
  std::vector<std::string> missingFiles;  // extent files named but not there
};

// True for the createType values this reader serves.
bool IsServedLayout(const std::string& type);

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
  // Walks the grain tables of every extent once (no data is read) and counts
  // what its files do not hold; the result is kept for later calls.
  const VirtualDiskDamage& Damage();
  // Sectors read so far that lay beyond the files: a rise across a read tells
  // that some of what it delivered are such zeros.
  uint64_t zeroFilledSectors() const { return zeroFilled_ + (parent_ != nullptr ? parent_->zeroFilledSectors() : 0); }
  // The extent file that Open found missing, when it refused for that reason.
  const std::string& missingExtent() const { return missingExtent_; }
  // The file of the disk (or an extent) that Open refused for being no file or
  // disk, with the reason ("PATH: it is a FIFO, ..."); empty otherwise.
  const std::string& unusableFile() const { return unusableFile_; }
  // Why Open refused a snapshot for its parent (missing, unreadable, or of
  // another CID); empty otherwise.
  const std::string& parentProblem() const { return parentProblem_; }
  // True when the disk was refused because a parent in its chain was written
  // since the snapshot was taken (its CID changed): setIgnoreParentCid reads it.
  bool parentCidChanged() const { return parentCidChanged_; }
  // Reads a snapshot whose parent's CID does not match all the same; kept
  // across Open.
  void setIgnoreParentCid(bool ignore) { ignoreParentCid_ = ignore; }
  // What the user should know of a disk that opened in an unusual way; empty
  // for most.
  const std::string& note() const { return note_; }
  // The files of the chain, this disk's first, then its parent's, to the base.
  std::vector<std::string> chain() const;

  // The texts shown for the disk.
  const std::string& createType() const { return createType_; }
  uint64_t capacity() const { return capacity_; }
  std::string sizeGbText() const;  // capacity * 512 div 2^30, decimal
  const std::string& cylindersText() const { return cylinders_; }
  const std::string& headsText() const { return heads_; }
  const std::string& sectorsText() const { return sectors_; }
  std::string overHeadText() const;  // low 32 bits, decimal

  const std::vector<VirtualDiskExtent>& extents() const { return extents_; }
  // The extent files as this reader opens them (none for a single sparse file).
  std::vector<std::string> extentPaths() const;
  const SparseExtentHeader& header() const { return header_; }

  // The information lines of Step 1 ("Virtual Machine Type  : ...").
  std::vector<std::string> InformationLines() const;

 private:
  // One extent as this reader addresses it: a file and the run of virtual-disk
  // sectors it holds. The extents follow one another in descriptor order.
  struct ExtentSlot {
    std::string path;  // empty: the file opened by Open (an embedded descriptor)
    uint64_t firstSector = 0;
    uint64_t sectors = 0;
  };
  enum class Layout { kNone, kSparse, kFlat };
  // A grain table read from the extent in use, kept for later reads.
  struct CachedTable {
    uint32_t sector = 0;
    uint64_t lastUse = 0;
    std::vector<uint32_t> entries;
  };

  VirtualDiskOpenResult OpenLink(const std::string& path, int depth);
  // Opens the parent a snapshot names; refuses the snapshot when it cannot.
  VirtualDiskOpenResult OpenParent(VirtualDiskOpenResult opened, int depth);
  VirtualDiskOpenResult OpenSparseFile();
  VirtualDiskOpenResult OpenDescriptorFile(const std::string& path);
  // Rebuilds this object empty and returns the refusal.
  VirtualDiskOpenResult Refuse(uint32_t status, const char* typeText);
  // By value: the path may be one of the slots that the refusal clears.
  VirtualDiskOpenResult RefuseUnopened(std::string path);
  // Makes extent `index` the one in use: its file open, and for a sparse extent
  // its header read, checked and its grain directory loaded. False when it cannot.
  bool OpenExtent(size_t index);
  // Reads the 512-byte header of the open file into header_; false when it cannot.
  bool ReadHeader();
  // True when the header's grain arithmetic can work (grain size and table
  // length nonzero and bounded); sets sectorsPerGrainTable_.
  bool HeaderUsable();
  // The redundant directory when its first entry is not 0,
  // else the primary one when its first entry is not 0. False when none is usable.
  bool SelectGrainDirectory();
  // Reads the chosen directory, enough entries for `extentSectors`, bounded.
  void LoadGrainDirectory(uint64_t extentSectors);
  void ParseDescriptor(const uint8_t* area, size_t length);
  void ParseDescriptorLine(const std::string& line);
  // The sectors of the open sparse extent that its file does not hold; spends
  // `budget`, the grain table entries still to be examined.
  uint64_t SparseSectorsBeyondFile(uint64_t extentSectors, uint64_t& budget);
  // Reads `sectors` from `sector` of the open sparse extent, which is sector
  // `diskSector` of the disk (for the parent's part).
  uint32_t ReadSparse(uint64_t sector, uint64_t sectors, uint8_t* buffer, uint64_t diskSector);
  uint32_t ReadFlat(uint64_t sector, uint64_t sectors, uint8_t* buffer);
  // Copies `sectors` from sector `inGrain` of the compressed grain at file
  // sector `grain` into `buffer`; false when the grain cannot be read or inflated.
  bool ReadCompressedGrain(uint32_t grain, uint64_t inGrain, uint64_t sectors, uint8_t* buffer);
  // A streamOptimized file may leave its header's directory fields to the
  // footer, a copy of the header in the file's last sector but one.
  void TakeFooterHeader();
  bool compressed() const { return (header_.flags & kCompressedGrains) != 0; }
  static constexpr uint32_t kCompressedGrains = 1u << 16;
  // The sectors of `length` bytes at `offset` of the open file that lie past its end.
  uint64_t SectorsBeyondFile(uint64_t offset, uint64_t length) const;
  const std::vector<uint32_t>* GrainTable(uint32_t tableSector);
  uint32_t ReadU32AtSector(uint64_t sector);

  std::unique_ptr<RawDevice> handle_;
  uint64_t handleSize_ = 0;  // bytes of the open file, 0 when unknown
  size_t currentExtent_ = 0;
  bool extentReady_ = false;
  SparseExtentHeader header_;
  uint8_t headerBytes_[512] = {};
  uint64_t grainDirectorySector_ = 0;
  uint64_t sectorsPerGrainTable_ = 0;
  std::vector<uint32_t> grainDirectory_;  // the entries the file holds
  uint64_t directoryWanted_ = 0;          // the entries the extent needs
  std::vector<CachedTable> tables_;
  // The last compressed grain inflated, by its file sector.
  uint32_t inflatedGrain_ = 0;
  std::vector<uint8_t> inflated_;
  size_t lastTable_ = 0;
  uint64_t tableClock_ = 0;
  Layout layout_ = Layout::kNone;
  std::vector<ExtentSlot> slots_;
  std::string createType_;
  std::vector<VirtualDiskExtent> extents_;
  std::string folder_;
  uint64_t capacity_ = 0;
  uint64_t zeroFilled_ = 0;
  std::unique_ptr<VirtualDiskDamage> damage_;
  std::string missingExtent_;
  std::string unusableFile_;
  std::string path_;
  std::string cid_;
  std::string parentCid_;
  std::string parentHint_;
  std::unique_ptr<VirtualDisk> parent_;
  std::string parentProblem_;
  bool parentCidChanged_ = false;
  std::string note_;
  bool ignoreParentCid_ = false;
  uint64_t overHead_ = 0;
  std::string cylinders_;
  std::string heads_;
  std::string sectors_;
};

}  // namespace vantor
