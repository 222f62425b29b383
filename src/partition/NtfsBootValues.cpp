// NTFS boot values. The boot sector gives sectors per cluster (13), the MFT's and
// its mirror's first clusters (64-bit at 48 and 56, of which the low 32 bits are
// used: 2^32 clusters reach far beyond any disk this reads), the clusters per
// MFT record (at 64; 0xF6 is the usual "2^10 bytes" form) and per index record
// (at 68; 0xF4 is "2^12 bytes"). A second copy of the boot sector sits at the
// end of the volume: for a listed partition that is the last sector of the
// partition, one before its end sector; for a lone volume it is the sector the
// total-sector count names, which is the end sector itself. Each value is taken
// from the copy in use and, when it fails its test, from the other copy.
#include <array>
#include <optional>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "partition/BootValues.h"

namespace vantor {
namespace {

bool IsNtfsBoot(const SectorBytes& bytes) {
  ByteView view(bytes.data(), bytes.size());
  return HasBootMark(view) && view.matches(3, "NTFS");
}

class BootCopies {
 public:
  BootCopies(SectorReader& reader, uint64_t start, uint64_t end) : reader_(reader), start_(start), end_(end) {}

  // Step 1: the copy in use is the boot sector, or the backup when the boot
  // sector has no mark. False when neither has one.
  bool Choose() {
    current_ = reader_.readOne(start_);
    if (HasBootMark(view(current_))) return true;
    current_ = reader_.readOne(BackupSector());
    usingBackup_ = true;
    return HasBootMark(view(current_));
  }

  ByteView current() const { return view(current_); }
  ByteView other() {
    if (!other_) other_ = reader_.readOne(usingBackup_ ? start_ : BackupSector());
    return view(*other_);
  }

 private:
  static ByteView view(const SectorBytes& bytes) { return ByteView(bytes.data(), bytes.size()); }

  uint64_t BackupSector() {
    if (end_ > start_ + 1 && IsNtfsBoot(reader_.readOne(end_ - 1))) return end_ - 1;
    return end_;
  }

  SectorReader& reader_;
  uint64_t start_;
  uint64_t end_;
  SectorBytes current_{};
  std::optional<SectorBytes> other_;
  bool usingBackup_ = false;
};

std::optional<uint32_t> MftRecordSectors(ByteView boot, uint32_t perCluster) {
  uint64_t value = boot.le32(64);
  if (value == 0xF6) return 2;
  uint64_t sectors = value * perCluster;
  if (sectors == 2 || sectors == 4 || sectors == 6 || sectors == 8) return static_cast<uint32_t>(sectors);
  return std::nullopt;
}

// The table (or mirror) whose cluster number is at `field`; 0 unless its first
// sector begins with "FILE" in one of the two copies.
uint64_t ConfirmedTable(SectorReader& reader, BootCopies& copies, uint64_t start, uint32_t perCluster, size_t field) {
  for (ByteView boot : {copies.current(), copies.other()}) {
    uint64_t sector = start + static_cast<uint64_t>(perCluster) * boot.le32(field);
    SectorBytes bytes = reader.readOne(sector);
    if (ByteView(bytes.data(), bytes.size()).matches(0, "FILE")) return sector;
  }
  return 0;
}

}  // namespace

uint32_t ProbeNtfsBoot(SectorReader& reader, uint64_t start, uint64_t end, VolumeGeometry& geometry,
                       std::string* refusal) {
  BootCopies copies(reader, start, end);
  if (!copies.Choose() || !HasSectorsOf512(copies.current(), "NTFS", refusal)) return 0;
  uint32_t perCluster = copies.current().u8(13);
  if (!IsClusterSize(perCluster)) perCluster = copies.other().u8(13);
  if (!IsClusterSize(perCluster)) return 0;
  std::optional<uint32_t> perRecord = MftRecordSectors(copies.current(), perCluster);
  if (!perRecord) perRecord = MftRecordSectors(copies.other(), perCluster);
  if (!perRecord) return 0;
  // With neither table's first record left the boot sector still holds: the
  // normal scan then finds nothing and the exhaustive scan takes over.
  uint64_t mft = ConfirmedTable(reader, copies, start, perCluster, 48);
  uint64_t mirror = ConfirmedTable(reader, copies, start, perCluster, 56);
  uint32_t indexValue = copies.current().le32(68);
  geometry.sectorsPerCluster = perCluster;
  geometry.clusterBase = static_cast<int64_t>(start);
  geometry.mftSector = mft;
  geometry.mftMirrorSector = mirror;
  geometry.sectorsPerMftRecord = *perRecord;
  geometry.sectorsPerIndexRecord = indexValue == 0xF4 ? 8 : indexValue * perCluster;
  return 1;
}

}  // namespace vantor
