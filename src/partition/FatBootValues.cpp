// FAT boot values. The BIOS parameter block gives the reserved sectors (16-bit at
// 14), sectors per cluster (13) and sectors per FAT (16-bit at 22; FAT32: 32-bit
// at 36); the fixed root of FAT12/FAT16 holds the entry count at 17 (16 entries
// per sector), FAT32 names its root cluster at 44 and keeps a backup boot sector
// six sectors in. The number of FAT copies is at 16: two as a rule, one on
// volumes that BitLocker To Go or `mkfs.fat -f 1` write (any other value is taken
// for two). A volume is accepted when the first byte of its second FAT copy (of
// the only copy, when there is one) is the media byte: 0xF8 on FAT16 and FAT32
// (hard disks); a FAT12 floppy carries its own media byte (0xF0 for 1.44 MB), so
// there the byte must match the boot sector's media byte at 21. The counts are
// of the volume's logical sectors (1024, 2048 or 4096 bytes on some media),
// scaled here to the 512-byte sectors every later step counts in.
#include <array>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "partition/BootValues.h"

namespace vantor {
namespace {

struct FatLayout {
  uint32_t reserved = 0;
  uint32_t perCluster = 0;
  uint32_t perFat = 0;
  uint32_t rootEntries = 0;  // fixed root only
  uint32_t rootCluster = 0;  // FAT32 only
  uint32_t copies = 2;
  uint8_t media = 0;
  SectorBytes boot{};  // the boot sector the values were taken from
};

FatLayout LayoutOf(const SectorBytes& bytes, bool fat32) {
  ByteView boot(bytes.data(), bytes.size());
  FatLayout layout;
  layout.boot = bytes;
  const uint32_t scale = SectorScale(boot);
  layout.reserved = boot.le16(14) * scale;
  layout.perCluster = boot.u8(13) * scale;
  layout.perFat = (fat32 ? boot.le32(36) : boot.le16(22)) * scale;
  layout.rootEntries = fat32 ? 0 : boot.le16(17);
  layout.rootCluster = fat32 ? boot.le32(44) : 0;
  layout.media = boot.u8(21);
  layout.copies = boot.u8(16) == 1 ? 1 : 2;
  return layout;
}

// The first sector of the second FAT copy, or of the only one.
uint64_t SecondFat(uint64_t start, const FatLayout& layout) {
  return start + layout.reserved + (layout.copies == 2 ? layout.perFat : 0);
}

uint8_t SecondFatMark(SectorReader& reader, uint64_t start, const FatLayout& layout) {
  return reader.readOne(SecondFat(start, layout))[0];
}

bool MarkFits(uint8_t mark, const FatLayout& layout, bool fat12) {
  return fat12 ? mark == layout.media && mark >= 0xF0 : mark == 0xF8;
}

void Fill(VolumeGeometry& geometry, uint64_t start, const FatLayout& layout, bool fat32) {
  const uint64_t fatsEnd = start + layout.reserved + uint64_t{layout.copies} * layout.perFat;
  geometry.sectorsPerFat = layout.perFat;
  geometry.sectorsPerCluster = layout.perCluster;
  geometry.reservedSectors = layout.reserved;
  geometry.rootDirSectors = layout.rootEntries / 16;
  geometry.rootStart = fat32 ? layout.rootCluster : fatsEnd;
  geometry.firstFatSector = start + layout.reserved;
  geometry.secondFatSector = SecondFat(start, layout);
  geometry.clusterBase = static_cast<int64_t>(fatsEnd + geometry.rootDirSectors) - 2 * static_cast<int64_t>(layout.perCluster);
}

// FAT12 and FAT16: the boot sector itself must be sound.
bool FixedRootLayout(SectorReader& reader, uint64_t start, bool fat12, FatLayout& layout) {
  SectorBytes boot = reader.readOne(start);
  if (!HasBootMark(ByteView(boot.data(), boot.size()))) return false;
  layout = LayoutOf(boot, false);
  return MarkFits(SecondFatMark(reader, start, layout), layout, fat12);
}

// FAT32: the backup at start + 6 stands in when the boot sector has no mark or
// its values do not lead to the second FAT.
bool Fat32Layout(SectorReader& reader, uint64_t start, FatLayout& layout) {
  SectorBytes boot = reader.readOne(start);
  if (!HasBootMark(ByteView(boot.data(), boot.size()))) {
    boot = reader.readOne(start + 6);
    if (!HasBootMark(ByteView(boot.data(), boot.size()))) return false;
  }
  layout = LayoutOf(boot, true);
  if (MarkFits(SecondFatMark(reader, start, layout), layout, false)) return true;
  layout = LayoutOf(reader.readOne(start + 6 * SectorScale(ByteView(boot.data(), boot.size()))), true);
  return MarkFits(SecondFatMark(reader, start, layout), layout, false);
}

}  // namespace

uint32_t ProbeFatBoot(SectorReader& reader, uint64_t start, FileSystemKind kind, VolumeGeometry& geometry) {
  if (!IsFat(kind)) return 0;
  const bool fat32 = kind == FileSystemKind::kFat32;
  FatLayout layout;
  bool sound = fat32 ? Fat32Layout(reader, start, layout) : FixedRootLayout(reader, start, kind == FileSystemKind::kFat12, layout);
  // Every later step divides by or steps through the cluster size.
  if (!sound || !IsClusterSize(layout.perCluster)) return 0;
  Fill(geometry, start, layout, fat32);
  return 1;
}

}  // namespace vantor
