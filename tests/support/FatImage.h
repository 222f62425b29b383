// A small FAT16 volume built byte by byte on a MemoryDisk, for tests that need
// exact control: one reserved sector, two FATs of 4 sectors, a fixed root of 64
// entries (4 sectors), then the clusters.
#pragma once

#include <cstring>
#include <string>

#include "MemoryDevice.h"

namespace vantor::test {

class FatImage16 {
 public:
  static constexpr uint32_t kReserved = 1, kPerFat = 4, kRootEntries = 64;

  FatImage16(MemoryDisk& disk, uint64_t start, uint32_t perCluster) : disk_(disk), start_(start), perCluster_(perCluster) {
    auto& boot = disk_.sector(start);
    boot[13] = static_cast<uint8_t>(perCluster);
    Put16(boot, 14, kReserved);
    boot[16] = 2;
    Put16(boot, 17, kRootEntries);
    Put16(boot, 19, 4096);
    boot[21] = 0xF8;
    Put16(boot, 22, kPerFat);
    std::memcpy(boot.data() + 54, "FAT16   ", 8);
    boot[510] = 0x55;
    boot[511] = 0xAA;
    for (uint64_t fat : {FirstFat(), FirstFat() + kPerFat}) {
      auto& sector = disk_.sector(fat);
      sector[0] = 0xF8;
      sector[1] = sector[2] = sector[3] = 0xFF;
    }
  }

  uint64_t FirstFat() const { return start_ + kReserved; }
  uint64_t RootSector(uint32_t i) const { return start_ + kReserved + 2 * kPerFat + i; }
  uint64_t ClusterSector(uint32_t cluster) const {
    return RootSector(kRootEntries / 16) + static_cast<uint64_t>(cluster - 2) * perCluster_;
  }

  void Link(uint32_t cluster, uint16_t value) {
    Put16(disk_.sector(FirstFat() + cluster / 256), (cluster % 256) * 2, value);
  }

  // A short entry; `name` is the 11 bytes of name and extension.
  void Entry(uint64_t sector, unsigned index, const char* name, uint8_t attributes, uint32_t cluster,
             uint32_t size = 0) {
    auto& bytes = disk_.sector(sector);
    uint8_t* entry = bytes.data() + index * 32;
    std::memset(entry, 0, 32);
    std::memcpy(entry, name, 11);
    entry[11] = attributes;
    Put16(bytes, index * 32 + 20, cluster >> 16);
    Put16(bytes, index * 32 + 26, cluster & 0xFFFF);
    Put16(bytes, index * 32 + 24, (32 << 9) | (3 << 5) | 5);  // 05-Mar-2012
    Put16(bytes, index * 32 + 22, (14 << 11) | (7 << 5));     // 14:07
    Put32(bytes, index * 32 + 28, size);
  }

  void DotEntries(uint32_t cluster, uint32_t parent) {
    Entry(ClusterSector(cluster), 0, ".          ", 0x10, cluster);
    Entry(ClusterSector(cluster), 1, "..         ", 0x10, parent);
  }

  // The long-name entries of `name` for the short entry `shortName` (11 bytes),
  // last part first, from entry `index` of `sector` on (running into the
  // following sectors); returns where the short entry goes as (sector, index).
  std::pair<uint64_t, unsigned> LongName(uint64_t sector, unsigned index, const std::u16string& name,
                                         const char* shortName) {
    uint8_t checksum = 0;
    for (int i = 0; i < 11; ++i)
      checksum = static_cast<uint8_t>(((checksum & 1) << 7) + (checksum >> 1) + static_cast<uint8_t>(shortName[i]));
    static constexpr size_t kUnits[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    size_t parts = (name.size() + 12) / 13;
    for (size_t part = parts; part-- > 0;) {
      auto& bytes = disk_.sector(sector);
      uint8_t* entry = bytes.data() + index * 32;
      std::memset(entry, 0, 32);
      entry[0] = static_cast<uint8_t>((part + 1) | (part + 1 == parts ? 0x40 : 0));
      entry[11] = 0x0F;
      entry[13] = checksum;
      for (size_t u = 0; u < 13; ++u) {
        size_t at = part * 13 + u;
        uint16_t unit = at < name.size() ? name[at] : at == name.size() ? 0 : 0xFFFF;
        Put16(bytes, index * 32 + kUnits[u], unit);
      }
      if (++index == 16) index = 0, ++sector;
    }
    return {sector, index};
  }

 private:
  static void Put16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  static void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
  }

  MemoryDisk& disk_;
  uint64_t start_;
  uint32_t perCluster_;
};

}  // namespace vantor::test
