// A FAT16 volume built byte by byte for the saver's tests: two FAT copies and a
// data area, no boot sector (the tests set the geometry themselves). Cluster n
// starts at sector kDataStart + (n - 2) * sectorsPerCluster.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/Session.h"
#include "support/TempDir.h"

namespace vantor::test {

class FatVolumeImage {
 public:
  static constexpr uint64_t kFatSectors = 8;
  static constexpr uint64_t kFirstFat = 1;
  static constexpr uint64_t kSecondFat = kFirstFat + kFatSectors;
  static constexpr uint64_t kDataStart = kSecondFat + kFatSectors;

  FatVolumeImage(uint32_t sectorsPerCluster, uint32_t clusters)
      : spc_(sectorsPerCluster), bytes_((kDataStart + uint64_t{clusters + 2} * sectorsPerCluster) * 512) {}

  uint64_t clusterBytes() const { return uint64_t{spc_} * 512; }

  // Sets the FAT16 entry of cluster n in copy 1, copy 2, or both (copy 0).
  void SetEntry(uint32_t n, uint16_t value, int copy = 0) {
    for (uint64_t fat : {kFirstFat, kSecondFat}) {
      if ((copy == 1 && fat != kFirstFat) || (copy == 2 && fat != kSecondFat)) continue;
      size_t at = fat * 512 + n * 2;
      bytes_[at] = static_cast<uint8_t>(value);
      bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
    }
  }

  // Writes `content` over the clusters in order and, when `chain`, links them in
  // both FATs ending in 0xFFFF.
  void Store(const std::vector<uint32_t>& clusters, const std::vector<uint8_t>& content, bool chain = true) {
    for (size_t i = 0; i < clusters.size(); ++i) {
      size_t from = i * clusterBytes();
      for (size_t b = 0; b < clusterBytes() && from + b < content.size(); ++b)
        bytes_[ClusterOffset(clusters[i]) + b] = content[from + b];
      if (chain) SetEntry(clusters[i], i + 1 < clusters.size() ? static_cast<uint16_t>(clusters[i + 1]) : 0xFFFF);
    }
  }

  // Writes the image into `dir` and points the session at it as a FAT16 volume.
  std::string Attach(Session& session, const TempDir& dir) const {
    std::string path = dir / "volume.img";
    WriteFile(path, bytes_);
    session.reader.mapDevice("\\\\.\\PhysicalDrive0", path);
    session.state.fileSystemName = u"FAT16";
    VolumeGeometry& g = session.state.geometry;
    g.sectorsPerCluster = spc_;
    g.firstFatSector = kFirstFat;
    g.secondFatSector = kSecondFat;
    g.sectorsPerFat = kFatSectors;
    g.clusterBase = static_cast<int64_t>(kDataStart) - 2 * static_cast<int64_t>(spc_);
    return path;
  }

  uint64_t ClusterOffset(uint32_t n) const { return (kDataStart + uint64_t{n - 2} * spc_) * 512; }

 private:
  uint32_t spc_;
  std::vector<uint8_t> bytes_;
};

// Content whose every byte depends on its position and a seed.
inline std::vector<uint8_t> Content(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + seed * 17 + i / 509) & 0xFF);
  return bytes;
}

}  // namespace vantor::test
