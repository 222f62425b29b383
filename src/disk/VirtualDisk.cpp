// The VMware virtual disk reader: the sparse extent header ("KDMV" at byte 0;
// capacity, grain size, descriptor, directories and overhead as little-endian
// fields), the text descriptor (embedded in a sparse file, NUL-padded, or a file of
// its own naming the extent files), the grain directory of 32-bit grain table
// sectors and the grain tables of 32-bit grain sectors (0: not allocated).
//
// Everything read from the file is untrusted: header fields, descriptor values,
// directory and table entries are checked before they are used as sizes or
// offsets, so that a damaged file is refused or reads as zeros, and never makes
// this reader crash, loop without end or allocate without bound.
//
// - Grain table offsets are 64-bit, so grain tables past 4 GiB of an extent file
//   are read right.
// - Extents are addressed by the running sum of their sizes (for the split layouts
//   every extent but the last has the first one's size).
// - Sectors past the last extent and grain directory entries of 0 read as zeros
//   with status 0, as an unreadable stretch of a disk does.
// - The directory is read once per extent open and recent grain tables are kept;
//   consecutive allocated grains that lie one after the other in the file are read
//   with one platform read.
#include "disk/VirtualDisk.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "core/ByteView.h"
#include "core/Sector.h"

namespace vantor {
namespace {

// Bounds on values read from a file. A sector number at or above kMaxSector
// (2^55) would overflow a 64-bit byte offset; nothing real comes near it.
constexpr uint64_t kMaxSector = 1ULL << 55;
constexpr uint64_t kMaxGrainSize = 1ULL << 21;        // sectors (1 GiB grains)
constexpr uint32_t kMaxGrainTableEntries = 1U << 20;  // 4 MiB per table
constexpr size_t kMaxDirectoryEntries = 1U << 22;     // 16 MiB of directory
constexpr size_t kMaxDescriptorBytes = 1U << 20;
constexpr size_t kTableCacheBytes = 16U << 20;
constexpr size_t kMaxCachedTables = 64;
// Grain table entries the damage count examines at most: a 2 TB disk of 64 KiB
// grains has 2^25; a damaged directory could name far more.
constexpr uint64_t kMaxDamageWalkEntries = 1ULL << 26;

constexpr const char* kSparseMagic = "KDMV";
constexpr const char* kDescriptorMagic = "# Disk DescriptorFile";
constexpr const char* kNoParent = "ffffffff";
constexpr int kMaxChainLinks = 32;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The text between the first pair of double quotes at or after `from`; empty
// when there is no such pair.
std::string QuotedValue(const std::string& line, size_t from = 0) {
  size_t open = line.find('"', from);
  if (open == std::string::npos) return {};
  size_t close = line.find('"', open + 1);
  if (close == std::string::npos) return {};
  return line.substr(open + 1, close - open - 1);
}

// The leading decimal digits of `text` as a number; saturates at UINT64_MAX.
uint64_t ParseDecimal(const std::string& text) {
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return UINT64_MAX;
    value = value * 10 + digit;
  }
  return value;
}

bool IsSparseType(const std::string& type) {
  return type == "monolithicSparse" || type == "twoGbMaxExtentSparse" || type == "streamOptimized" ||
         type == "vmfsSparse";
}

// ESXi's snapshot extents ("vmfsSparse") are of the older sparse format: "COWD"
// at 0, then 32-bit fields: capacity (+12), grain size (+16), directory sector
// (+20); its grain tables hold 4096 entries, and a directory entry of 0 is a
// table not yet needed, not damage.
constexpr const char* kCowdMagic = "COWD";
constexpr uint32_t kCowdTableEntries = 4096;

// The directory offset of a streamOptimized header whose directory follows the
// grains; the footer holds the real one.
constexpr uint64_t kDirectoryAtEnd = UINT64_MAX;
// A grain marker: the grain's first sector (8 bytes), the compressed length (4)
// and the deflate data.
constexpr size_t kGrainMarkerBytes = 12;
// Exports use grains of 64 KiB; a compressed grain larger than this is damage,
// not a reason to inflate gigabytes.
constexpr uint64_t kMaxCompressedGrainBytes = 1U << 20;
// ESXi keeps a disk as a descriptor ("vmfs", or one of its thin and thick
// variants) over one flat extent ("VMFS" in the extent line).
bool IsFlatType(const std::string& type) {
  return type == "monolithicFlat" || type == "twoGbMaxExtentFlat" || type == "vmfs" || type == "vmfsThin" ||
         type == "vmfsPreallocated" || type == "vmfsEagerZeroedThick";
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

bool IsServedLayout(const std::string& type) { return IsSparseType(type) || IsFlatType(type); }

VirtualDiskOpenResult VirtualDisk::Open(const std::string& path) { return OpenLink(path, 0); }

VirtualDiskOpenResult VirtualDisk::OpenLink(const std::string& path, int depth) {
  const bool ignoreCid = ignoreParentCid_;
  *this = VirtualDisk();
  ignoreParentCid_ = ignoreCid;
  path_ = path;
  handle_ = OpenFileDevice(path, DeviceAccess::kRead);
  if (handle_ == nullptr) return RefuseUnopened(path);
  uint8_t first[21] = {};
  if (!handle_->readAt(0, first, sizeof first)) return Refuse(0, "Used");
  std::string text;
  for (uint8_t byte : first)
    if (byte != 0) text += static_cast<char>(byte);
  VirtualDiskOpenResult opened;
  if (StartsWith(text, kSparseMagic)) opened = OpenSparseFile();
  else if (StartsWith(text, kDescriptorMagic)) opened = OpenDescriptorFile(path);
  else return Refuse(0, "");
  if (layout_ != Layout::kSparse || parentCid_.empty() || parentCid_ == kNoParent) return opened;
  return OpenParent(opened, depth);
}

VirtualDiskOpenResult VirtualDisk::OpenParent(VirtualDiskOpenResult opened, int depth) {
  std::string hint = parentHint_;
  std::replace(hint.begin(), hint.end(), '\\', '/');
  std::string parentPath = !hint.empty() && hint[0] == '/' ? hint : FolderOf(path_) + hint;
  // A hint written on Windows ("C:/VMs/base.vmdk") names the parent where it was
  // then; beside the snapshot is where a copied machine keeps it.
  if (!Exists(parentPath)) parentPath = FolderOf(path_) + hint.substr(hint.find_last_of('/') + 1);
  std::string problem;
  bool cidChanged = false;
  auto parent = std::make_unique<VirtualDisk>();
  parent->ignoreParentCid_ = ignoreParentCid_;
  if (hint.empty()) {
    problem = "the snapshot names no parent disk";
  } else if (depth >= kMaxChainLinks) {
    problem = "its chain of parent disks is longer than " + std::to_string(kMaxChainLinks) + " links";
  } else if (!Exists(parentPath)) {
    problem = "its parent disk " + parentPath + " is missing";
  } else if (VirtualDiskOpenResult link = parent->OpenLink(parentPath, depth + 1); link.status != 1 ||
             parent->layout_ == Layout::kNone) {
    const std::string& why = !parent->unusableFile_.empty() ? parent->unusableFile_ : parent->parentProblem_;
    problem = "its parent disk " + parentPath + " cannot be read" + (why.empty() ? std::string() : ": " + why);
    cidChanged = parent->parentCidChanged_;
  } else if (parent->cid_ != parentCid_ && !ignoreParentCid_) {
    cidChanged = true;
    problem = "its parent disk " + parentPath + " has CID " + parent->cid_ + ", not " + parentCid_ +
              " as when the snapshot was taken (the parent was written since); --ignore-cid reads it all the same";
  }
  if (problem.empty()) {
    parent_ = std::move(parent);
    return opened;
  }
  VirtualDiskOpenResult refused = Refuse(0, "");
  parentProblem_ = problem;
  parentCidChanged_ = cidChanged;
  return refused;
}

VirtualDiskOpenResult VirtualDisk::RefuseUnopened(std::string path) {
  // A file that stands but is no file, folder or disk (a FIFO named as an
  // extent) is refused with its reason; one that does not open is held by a
  // running machine.
  std::error_code error;
  const auto type = std::filesystem::status(path, error).type();
  const bool special = !error && type != std::filesystem::file_type::regular &&
                       type != std::filesystem::file_type::directory && type != std::filesystem::file_type::block &&
                       type != std::filesystem::file_type::not_found;
  const std::string why = special ? path + ": " + SourceFileProblem(path) : std::string();
  VirtualDiskOpenResult refused = Refuse(0, "Used");
  unusableFile_ = why;
  return refused;
}

VirtualDiskOpenResult VirtualDisk::Refuse(uint32_t status, const char* typeText) {
  const bool ignoreCid = ignoreParentCid_;
  *this = VirtualDisk();
  ignoreParentCid_ = ignoreCid;
  return {status, typeText};
}

void VirtualDisk::TakeFooterHeader() {
  if (header_.gdOffset != kDirectoryAtEnd || handleSize_ < 3 * kSectorSize) return;
  uint8_t footer[kSectorSize] = {};
  if (!handle_->readAt(handleSize_ - 2 * kSectorSize, footer, sizeof footer)) return;
  const ByteView bytes(footer, sizeof footer);
  if (!bytes.matches(0, kSparseMagic)) return;
  header_.gdOffset = bytes.le64(56);
  header_.rgdOffset = bytes.le64(48);
}

VirtualDiskOpenResult VirtualDisk::OpenSparseFile() {
  handleSize_ = handle_->size();
  if (!ReadHeader()) return Refuse(0, "Used");
  TakeFooterHeader();
  overHead_ = header_.overHead;
  // A header whose grain arithmetic cannot work is as damaged as one without a
  // directory: nothing of the disk could be read.
  if (!SelectGrainDirectory() || !HeaderUsable()) return Refuse(1, "Damaged");
  // The embedded descriptor, clipped to the file and to a sane length.
  if (header_.descriptorOffset < kMaxSector) {
    uint64_t offset = header_.descriptorOffset * kSectorSize;
    uint64_t length = std::min<uint64_t>(header_.descriptorSize, kMaxDescriptorBytes / kSectorSize) * kSectorSize;
    if (handleSize_ > 0) length = offset >= handleSize_ ? 0 : std::min(length, handleSize_ - offset);
    std::vector<uint8_t> area(static_cast<size_t>(length));
    if (length > 0 && handle_->readAt(offset, area.data(), area.size())) ParseDescriptor(area.data(), area.size());
  }
  capacity_ = header_.capacity;
  if (capacity_ >= kMaxSector) return Refuse(1, "Damaged");
  // The header alone is enough to read the file: without a descriptor it is an
  // extent of a split disk, and a damaged descriptor leaves the grains as they are.
  if (!IsSparseType(createType_)) {
    note_ = createType_.empty() && extents_.empty()
                ? "it is one sparse extent of a split disk: read on its own, as far as it reaches"
                : "its embedded descriptor is damaged: read from its sparse header alone";
    createType_ = "monolithicSparse";
  }
  // The file itself is the one extent, whatever the embedded descriptor names.
  layout_ = Layout::kSparse;
  slots_.push_back({std::string(), 0, capacity_});
  currentExtent_ = 0;
  LoadGrainDirectory(capacity_);
  extentReady_ = true;
  return {1, createType_};
}

VirtualDiskOpenResult VirtualDisk::OpenDescriptorFile(const std::string& path) {
  folder_ = FolderOf(path);
  uint64_t size = handle_->size();
  size_t length = static_cast<size_t>(size == 0 ? kMaxDescriptorBytes : std::min<uint64_t>(size, kMaxDescriptorBytes));
  std::vector<uint8_t> area(length);
  bool read = handle_->readAt(0, area.data(), area.size());
  handle_.reset();
  if (!read) return Refuse(0, "Used");
  ParseDescriptor(area.data(), area.size());
  bool sparse = IsSparseType(createType_);
  // Not a layout this reader serves: the caller refuses it by its type text.
  if (!sparse && !IsFlatType(createType_)) return {1, createType_};
  // The extents as addressed: their sizes add up to the capacity.
  uint64_t total = 0;
  for (auto& extent : extents_) {
    uint64_t sectors = ParseDecimal(extent.sizeText);
    if (sectors >= kMaxSector || total + sectors >= kMaxSector) return Refuse(1, "Damaged");
    extent.path = !extent.fileName.empty() && extent.fileName[0] == '/' ? extent.fileName : folder_ + extent.fileName;
    slots_.push_back({extent.path, total, sectors});
    total += sectors;
  }
  capacity_ = total;
  if (slots_.empty() || slots_[0].sectors == 0) return Refuse(1, "Damaged");
  layout_ = sparse ? Layout::kSparse : Layout::kFlat;
  if (!OpenExtent(0)) {
    // A missing extent: not a whole disk; one that exists but cannot be opened
    // is held by a running machine; one that opens is not a sparse extent.
    bool present = Exists(slots_[0].path);
    bool opens = present && OpenFileDevice(slots_[0].path, DeviceAccess::kRead) != nullptr;
    if (present && !opens) return RefuseUnopened(slots_[0].path);
    if (present && sparse) return Refuse(1, "Damaged");
    std::string missing = present ? std::string() : slots_[0].path;
    VirtualDiskOpenResult refused = Refuse(0, "");
    missingExtent_ = missing;
    return refused;
  }
  overHead_ = sparse ? header_.overHead : 0;
  return {1, createType_};
}

bool VirtualDisk::OpenExtent(size_t index) {
  if (index >= slots_.size()) return false;
  if (extentReady_ && currentExtent_ == index && handle_ != nullptr) return true;
  if (slots_[index].path.empty()) return false;  // the embedded file never closes
  extentReady_ = false;
  handle_.reset();
  grainDirectory_.clear();
  tables_.clear();
  lastTable_ = 0;
  inflatedGrain_ = 0;
  currentExtent_ = index;
  handle_ = OpenFileDevice(slots_[index].path, DeviceAccess::kRead);
  if (handle_ == nullptr) return false;
  handleSize_ = handle_->size();
  if (layout_ == Layout::kSparse) {
    if (ReadHeader()) TakeFooterHeader();
    const bool magic = std::memcmp(headerBytes_, kSparseMagic, 4) == 0 || std::memcmp(headerBytes_, kCowdMagic, 4) == 0;
    if (!magic || !HeaderUsable() || !SelectGrainDirectory()) {
      handle_.reset();
      return false;
    }
    LoadGrainDirectory(slots_[index].sectors);
  }
  extentReady_ = true;
  return true;
}

bool VirtualDisk::ReadHeader() {
  std::memset(headerBytes_, 0, sizeof headerBytes_);
  header_ = SparseExtentHeader();
  if (!handle_->readAt(0, headerBytes_, sizeof headerBytes_)) return false;
  ByteView bytes(headerBytes_, sizeof headerBytes_);
  if (bytes.matches(0, kCowdMagic)) {
    header_.capacity = bytes.le32(12);
    header_.grainSize = bytes.le32(16);
    header_.gdOffset = bytes.le32(20);
    header_.numGTEsPerGT = kCowdTableEntries;
    return true;
  }
  header_.flags = bytes.le32(8);
  header_.compressAlgorithm = bytes.le16(77);
  header_.capacity = bytes.le64(12);
  header_.grainSize = bytes.le64(20);
  header_.descriptorOffset = bytes.le64(28);
  header_.descriptorSize = bytes.le64(36);
  header_.numGTEsPerGT = bytes.le32(44);
  header_.rgdOffset = bytes.le64(48);
  header_.gdOffset = bytes.le64(56);
  header_.overHead = bytes.le64(64);
  return true;
}

bool VirtualDisk::HeaderUsable() {
  sectorsPerGrainTable_ = 0;
  if (header_.grainSize == 0 || header_.grainSize > kMaxGrainSize) return false;
  if (header_.numGTEsPerGT == 0 || header_.numGTEsPerGT > kMaxGrainTableEntries) return false;
  sectorsPerGrainTable_ = header_.grainSize * header_.numGTEsPerGT;  // at most 2^41
  return true;
}

uint32_t VirtualDisk::ReadU32AtSector(uint64_t sector) {
  if (sector == 0 || sector >= kMaxSector || handle_ == nullptr) return 0;
  uint8_t raw[4] = {};
  if (!handle_->readAt(sector * kSectorSize, raw, sizeof raw)) return 0;
  return ByteView(raw, sizeof raw).le32(0);
}

bool VirtualDisk::SelectGrainDirectory() {
  grainDirectorySector_ = 0;
  if (std::memcmp(headerBytes_, kCowdMagic, 4) == 0) {
    grainDirectorySector_ = header_.gdOffset;
    return grainDirectorySector_ != 0;
  }
  if (header_.rgdOffset != 0 && ReadU32AtSector(header_.rgdOffset) != 0) {
    grainDirectorySector_ = header_.rgdOffset;
    return true;
  }
  if (header_.gdOffset == 0) return false;
  if (ReadU32AtSector(header_.gdOffset) == 0) return false;
  grainDirectorySector_ = header_.gdOffset;
  return true;
}

void VirtualDisk::LoadGrainDirectory(uint64_t extentSectors) {
  grainDirectory_.clear();
  directoryWanted_ = 0;
  if (sectorsPerGrainTable_ == 0 || grainDirectorySector_ == 0 || grainDirectorySector_ >= kMaxSector) return;
  uint64_t wanted = extentSectors / sectorsPerGrainTable_ + (extentSectors % sectorsPerGrainTable_ != 0 ? 1 : 0);
  directoryWanted_ = wanted;
  uint64_t offset = grainDirectorySector_ * kSectorSize;
  if (handleSize_ > 0) {
    uint64_t inFile = offset >= handleSize_ ? 0 : (handleSize_ - offset + 3) / 4;
    wanted = std::min(wanted, inFile);
  }
  wanted = std::min<uint64_t>(wanted, kMaxDirectoryEntries);
  std::vector<uint8_t> raw(static_cast<size_t>(wanted) * 4);
  if (raw.empty() || !handle_->readAt(offset, raw.data(), raw.size())) return;
  ByteView bytes(raw.data(), raw.size());
  grainDirectory_.resize(static_cast<size_t>(wanted));
  for (size_t i = 0; i < grainDirectory_.size(); ++i) grainDirectory_[i] = bytes.le32(i * 4);
}

const std::vector<uint32_t>* VirtualDisk::GrainTable(uint32_t tableSector) {
  if (lastTable_ < tables_.size() && tables_[lastTable_].sector == tableSector) {
    tables_[lastTable_].lastUse = ++tableClock_;
    return &tables_[lastTable_].entries;
  }
  for (size_t i = 0; i < tables_.size(); ++i) {
    if (tables_[i].sector == tableSector) {
      lastTable_ = i;
      tables_[i].lastUse = ++tableClock_;
      return &tables_[i].entries;
    }
  }
  // Read the table; its byte offset is 64-bit (tables may lie past 4 GiB). Only
  // the entries inside the file are kept: those past its end are 0 anyway.
  uint64_t offset = static_cast<uint64_t>(tableSector) * kSectorSize;
  size_t entries = header_.numGTEsPerGT;
  if (handleSize_ > 0)
    entries = offset >= handleSize_ ? 0 : static_cast<size_t>(std::min<uint64_t>(entries, (handleSize_ - offset + 3) / 4));
  std::vector<uint8_t> raw(entries * 4);
  if (!raw.empty() && !handle_->readAt(offset, raw.data(), raw.size())) return nullptr;
  size_t limit = std::max<size_t>(1, std::min(kMaxCachedTables, kTableCacheBytes / (header_.numGTEsPerGT * size_t{4})));
  size_t slot = tables_.size();
  if (tables_.size() >= limit) {
    slot = 0;
    for (size_t i = 1; i < tables_.size(); ++i)
      if (tables_[i].lastUse < tables_[slot].lastUse) slot = i;
  } else {
    tables_.emplace_back();
  }
  CachedTable& table = tables_[slot];
  table.sector = tableSector;
  table.lastUse = ++tableClock_;
  table.entries.resize(entries);
  ByteView bytes(raw.data(), raw.size());
  for (size_t i = 0; i < entries; ++i) table.entries[i] = bytes.le32(i * 4);
  lastTable_ = slot;
  return &table.entries;
}

uint64_t VirtualDisk::SectorsBeyondFile(uint64_t offset, uint64_t length) const {
  if (handleSize_ == 0 || offset + length <= handleSize_) return 0;
  uint64_t inside = offset >= handleSize_ ? 0 : handleSize_ - offset;
  return (length - inside + kSectorSize - 1) / kSectorSize;
}

uint32_t VirtualDisk::ReadSparse(uint64_t sector, uint64_t sectors, uint8_t* buffer, uint64_t diskSector) {
  const uint64_t grainSize = header_.grainSize;
  uint32_t status = 1;
  // A run of allocated pieces that follow one another in the file: one read.
  uint64_t runOffset = 0;
  size_t runLength = 0;
  uint8_t* runTarget = nullptr;
  const auto flush = [&] {
    if (runLength == 0) return;
    status = handle_->readAt(runOffset, runTarget, runLength) ? 1 : 0;
    runLength = 0;
  };
  uint64_t done = 0;
  // What this snapshot does not hold, its parent does.
  const auto fromParent = [&](uint64_t count) {
    if (parent_ != nullptr)
      status = parent_->Read(diskSector + done, count * kSectorSize, buffer + done * kSectorSize);
  };
  while (done < sectors) {
    uint64_t directoryIndex = sector / sectorsPerGrainTable_;
    uint64_t inTable = sector % sectorsPerGrainTable_;
    uint64_t tableIndex = inTable / grainSize;
    uint64_t inGrain = sector % grainSize;
    uint32_t tableSector = directoryIndex < grainDirectory_.size() ? grainDirectory_[directoryIndex] : 0;
    uint64_t piece;
    if (tableSector == 0) {
      // No grain table: the whole stretch it would map reads as zeros. Past the
      // directory's part that the file holds, that is damage, not sparseness.
      piece = std::min(sectors - done, sectorsPerGrainTable_ - inTable);
      if (directoryIndex >= grainDirectory_.size() && directoryIndex < directoryWanted_) zeroFilled_ += piece;
      flush();
      status = 0;
      fromParent(piece);
    } else {
      piece = std::min(sectors - done, grainSize - inGrain);
      const std::vector<uint32_t>* table = GrainTable(tableSector);
      if (table == nullptr) {
        flush();
        status = 0;
      } else if (tableIndex >= table->size()) {
        zeroFilled_ += piece;  // the table is cut off by the end of the file
        flush();
      } else if (uint32_t grain = (*table)[static_cast<size_t>(tableIndex)]; grain == 0) {
        flush();  // not allocated: zeros, or the parent's
        fromParent(piece);
      } else if (compressed()) {
        flush();
        if (!ReadCompressedGrain(grain, inGrain, piece, buffer + done * kSectorSize)) status = 0;
      } else {
        uint64_t offset = (static_cast<uint64_t>(grain) + inGrain) * kSectorSize;
        size_t length = static_cast<size_t>(piece * kSectorSize);
        zeroFilled_ += SectorsBeyondFile(offset, length);
        if (runLength > 0 && runOffset + runLength == offset) {
          runLength += length;
        } else {
          flush();
          runOffset = offset;
          runLength = length;
          runTarget = buffer + done * kSectorSize;
        }
      }
    }
    sector += piece;
    done += piece;
  }
  flush();
  return status;
}

bool VirtualDisk::ReadCompressedGrain(uint32_t grain, uint64_t inGrain, uint64_t sectors, uint8_t* buffer) {
  if (header_.grainSize * kSectorSize > kMaxCompressedGrainBytes) return false;
  const size_t grainBytes = static_cast<size_t>(header_.grainSize * kSectorSize);
  if (inflatedGrain_ != grain || inflated_.size() != grainBytes) {
    inflatedGrain_ = 0;
    uint8_t marker[kGrainMarkerBytes] = {};
    const uint64_t offset = uint64_t{grain} * kSectorSize;
    if (!handle_->readAt(offset, marker, sizeof marker)) return false;
    // Deflate never grows data by more than a few bytes in 16 KiB; a longer
    // length is damage.
    const uint32_t length = ByteView(marker, sizeof marker).le32(8);
    if (length == 0 || length > grainBytes + grainBytes / 8 + 1024) return false;
    std::vector<uint8_t> packed(length);
    zeroFilled_ += SectorsBeyondFile(offset, kGrainMarkerBytes + length);
    if (!handle_->readAt(offset + kGrainMarkerBytes, packed.data(), packed.size())) return false;
    inflated_.assign(grainBytes, 0);
    uLongf size = static_cast<uLongf>(grainBytes);
    const int result = uncompress(inflated_.data(), &size, packed.data(), static_cast<uLong>(packed.size()));
    if (result != Z_OK && result != Z_BUF_ERROR) return false;
    inflatedGrain_ = grain;
  }
  std::memcpy(buffer, inflated_.data() + inGrain * kSectorSize, static_cast<size_t>(sectors * kSectorSize));
  return true;
}

uint32_t VirtualDisk::ReadFlat(uint64_t sector, uint64_t sectors, uint8_t* buffer) {
  zeroFilled_ += SectorsBeyondFile(sector * kSectorSize, sectors * kSectorSize);
  return handle_->readAt(sector * kSectorSize, buffer, static_cast<size_t>(sectors * kSectorSize)) ? 1 : 0;
}

uint32_t VirtualDisk::Read(uint64_t firstSector, uint64_t byteCount, uint8_t* buffer) {
  if (layout_ == Layout::kNone || slots_.empty()) return 0;
  const uint64_t sectors = byteCount / kSectorSize;
  uint64_t sector = firstSector;
  uint32_t status = 0;
  for (uint64_t done = 0; done < sectors;) {
    if (sector >= capacity_) return 0;  // past the last extent: zeros
    // The extent holding `sector`: the last one that starts at or before it.
    auto next = std::upper_bound(slots_.begin(), slots_.end(), sector,
                                 [](uint64_t s, const ExtentSlot& slot) { return s < slot.firstSector; });
    size_t index = static_cast<size_t>(next - slots_.begin()) - 1;
    const ExtentSlot& slot = slots_[index];
    uint64_t within = sector - slot.firstSector;
    uint64_t piece = std::min(sectors - done, slot.sectors - within);
    uint8_t* target = buffer + done * kSectorSize;
    if (!OpenExtent(index)) {
      // A missing or broken extent: its sectors read as zeros, the rest of the
      // disk as it is.
      zeroFilled_ += piece;
      std::memset(target, 0, static_cast<size_t>(piece * kSectorSize));
      status = 0;
    } else {
      status = layout_ == Layout::kSparse ? ReadSparse(within, piece, target, sector) : ReadFlat(within, piece, target);
    }
    sector += piece;
    done += piece;
  }
  return status;
}

const VirtualDiskDamage& VirtualDisk::Damage() {
  if (damage_ != nullptr) return *damage_;
  damage_ = std::make_unique<VirtualDiskDamage>();
  uint64_t budget = kMaxDamageWalkEntries;
  for (size_t index = 0; index < slots_.size(); ++index) {
    const ExtentSlot& slot = slots_[index];
    if (!slot.path.empty() && !Exists(slot.path)) damage_->missingFiles.push_back(slot.path);
    uint64_t beyond = slot.sectors;
    if (OpenExtent(index))
      beyond = layout_ == Layout::kFlat ? SectorsBeyondFile(0, slot.sectors * kSectorSize)
                                        : SparseSectorsBeyondFile(slot.sectors, budget);
    damage_->sectorsBeyondFiles += beyond;
  }
  return *damage_;
}

uint64_t VirtualDisk::SparseSectorsBeyondFile(uint64_t extentSectors, uint64_t& budget) {
  const uint64_t grainSize = header_.grainSize;
  // The stretch whose directory entries lie past the end of the file.
  const uint64_t held = grainDirectory_.size() * sectorsPerGrainTable_;
  uint64_t beyond = directoryWanted_ > grainDirectory_.size() && extentSectors > held ? extentSectors - held : 0;
  std::unordered_map<uint32_t, uint64_t> fullTables;  // a damaged directory may name one table many times
  for (size_t d = 0; d < grainDirectory_.size() && budget > 0; ++d) {
    const uint32_t tableSector = grainDirectory_[d];
    if (tableSector == 0) continue;
    const uint64_t covered = std::min(sectorsPerGrainTable_, extentSectors - d * sectorsPerGrainTable_);
    const bool full = covered == sectorsPerGrainTable_;
    if (auto known = fullTables.find(tableSector); full && known != fullTables.end()) {
      beyond += known->second;
      continue;
    }
    const std::vector<uint32_t>* table = GrainTable(tableSector);
    if (table == nullptr) continue;
    const uint64_t grains = std::min((covered + grainSize - 1) / grainSize, budget);
    budget -= grains;
    uint64_t count = 0;
    for (uint64_t t = 0; t < grains; ++t) {
      const uint64_t sectors = std::min(grainSize, covered - t * grainSize);
      if (t >= table->size()) count += sectors;  // the table is cut off by the end of the file
      else if (uint32_t grain = (*table)[static_cast<size_t>(t)]; grain != 0)
        count += SectorsBeyondFile(static_cast<uint64_t>(grain) * kSectorSize, sectors * kSectorSize);
    }
    if (full) fullTables[tableSector] = count;
    beyond += count;
  }
  return beyond;
}

void VirtualDisk::ParseDescriptor(const uint8_t* area, size_t length) {
  extents_.clear();
  createType_.clear();
  size_t nuls = 0;
  size_t position = 0;
  while (position < length) {
    const uint8_t* start = area + position;
    const void* feed = std::memchr(start, '\n', length - position);
    size_t lineLength = feed != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(feed) - start) : length - position;
    size_t taken = feed != nullptr ? lineLength + 1 : lineLength;
    nuls += static_cast<size_t>(std::count(start, start + taken, uint8_t{0}));
    if (nuls >= 4) break;  // the padding of an embedded descriptor
    ParseDescriptorLine(std::string(reinterpret_cast<const char*>(start), lineLength));
    position += taken;
  }
}

void VirtualDisk::ParseDescriptorLine(const std::string& line) {
  if (StartsWith(line, "createType")) {
    createType_ = QuotedValue(line);
  } else if (StartsWith(line, "CID=")) {
    cid_ = line.substr(4, 8);
  } else if (StartsWith(line, "parentCID=")) {
    parentCid_ = line.substr(10, 8);
  } else if (StartsWith(line, "parentFileNameHint")) {
    parentHint_ = QuotedValue(line);
  } else if (StartsWith(line, "RW") || StartsWith(line, "RDONLY") || StartsWith(line, "NOACCESS")) {
    // access, size in sectors, extent type, then the quoted file name.
    std::vector<size_t> starts;
    std::vector<std::string> tokens;
    size_t position = 0;
    while (tokens.size() < 3 && position < line.size()) {
      while (position < line.size() && (line[position] == ' ' || line[position] == '\t')) ++position;
      size_t end = position;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
      if (end > position) {
        starts.push_back(position);
        tokens.push_back(line.substr(position, end - position));
      }
      position = end;
    }
    VirtualDiskExtent extent;
    extent.sizeText = tokens.size() > 1 ? tokens[1] : std::string();
    // A name that follows the size at once (no type token) still counts.
    size_t nameFrom = position;
    for (size_t i = 1; i < tokens.size(); ++i)
      if (tokens[i][0] == '"') nameFrom = std::min(nameFrom, starts[i]);
    extent.fileName = QuotedValue(line, nameFrom);
    extents_.push_back(std::move(extent));
  } else if (StartsWith(line, "ddb.geometry.cylinders")) {
    cylinders_ = QuotedValue(line);
  } else if (StartsWith(line, "ddb.geometry.sectors")) {
    sectors_ = QuotedValue(line);
  } else if (StartsWith(line, "ddb.geometry.heads")) {
    heads_ = QuotedValue(line);
  }
}

std::vector<std::string> VirtualDisk::extentPaths() const {
  std::vector<std::string> paths;
  for (const ExtentSlot& slot : slots_)
    if (!slot.path.empty()) paths.push_back(slot.path);
  if (parent_ != nullptr) {
    paths.push_back(parent_->path_);
    for (const std::string& path : parent_->extentPaths()) paths.push_back(path);
  }
  return paths;
}

std::vector<std::string> VirtualDisk::chain() const {
  std::vector<std::string> links;
  for (const VirtualDisk* link = this; link != nullptr; link = link->parent_.get()) links.push_back(link->path_);
  return links;
}

std::string VirtualDisk::sizeGbText() const {
  // capacity × 512 div 2^30, without the overflow of the product.
  return std::to_string(capacity_ / (1ULL << 21));
}

std::string VirtualDisk::overHeadText() const { return std::to_string(static_cast<uint32_t>(overHead_)); }

std::vector<std::string> VirtualDisk::InformationLines() const {
  return {"Virtual Machine Type  : " + createType_,
          "",
          "Disk Size  : " + sizeGbText() + " GB",
          "",
          "Cylinder   : " + cylindersText(),
          "",
          "Head   : " + headsText(),
          "",
          "Sectors Per Track   : " + sectorsText()};
}

}  // namespace vantor
