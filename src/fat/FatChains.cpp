#include "fat/FatChains.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "catalog/RecoveryCatalog.h"
#include "core/ByteView.h"
#include "core/Sector.h"
#include "core/Session.h"
#include "disk/SectorSource.h"

namespace vantor {
namespace {

constexpr uint32_t kLostLinks = 25;

std::optional<uint32_t> Fat12Entry(Session& session, uint32_t cluster) {
  const VolumeGeometry& geometry = session.state.geometry;
  uint64_t byte = static_cast<uint64_t>(cluster) * 3 / 2;
  if (byte / kSectorSize >= geometry.sectorsPerFat) return std::nullopt;
  std::array<uint8_t, 2 * kSectorSize> pair{};
  ReadCurrentSectors(session, geometry.firstFatSector + byte / kSectorSize, 2, pair.data());
  size_t offset = byte % kSectorSize;
  uint32_t x = pair[offset], y = pair[offset + 1];
  return cluster % 2 == 0 ? ((y & 0x0F) << 8) + x : (y << 4) | (x >> 4);
}

std::optional<uint32_t> WideEntry(Session& session, uint32_t cluster, uint32_t perSector) {
  const VolumeGeometry& geometry = session.state.geometry;
  if (geometry.firstFatSector == 0 || cluster / perSector > geometry.sectorsPerFat) return std::nullopt;
  std::array<uint8_t, kSectorSize> sector{};
  if (ReadCurrentSectors(session, geometry.firstFatSector + cluster / perSector, 1, sector.data()) == 0)
    return std::nullopt;
  ByteView view(sector.data(), sector.size());
  size_t width = kSectorSize / perSector;
  return static_cast<uint32_t>(view.le((cluster % perSector) * width, width));
}

bool ContinuesChain(FatWidth width, uint32_t value) {
  switch (width) {
    case FatWidth::kFat12: return value >= 1 && value <= 0xFFE;
    case FatWidth::kFat16: return value >= 2 && value < 0xFFFF;
    case FatWidth::kFat32: return value >= 2 && value < 0x0FFFFFFF;
    default: return false;
  }
}

// Remembers the clusters of one chain; short chains, the usual case, are
// checked by a walk of the list itself.
class SeenClusters {
 public:
  bool Insert(const std::vector<uint32_t>& list, uint32_t cluster) {
    if (list.size() < 64) return std::find(list.begin(), list.end(), cluster) == list.end();
    if (set_.empty()) set_.insert(list.begin(), list.end());
    return set_.insert(cluster).second;
  }

 private:
  std::unordered_set<uint32_t> set_;
};

}  // namespace

FatWidth WidthOf(const std::u16string& fileSystemName) {
  if (fileSystemName == u"FAT12") return FatWidth::kFat12;
  if (fileSystemName == u"FAT16") return FatWidth::kFat16;
  if (fileSystemName == u"FAT32") return FatWidth::kFat32;
  return FatWidth::kNone;
}

std::optional<uint32_t> FatEntry(Session& session, uint32_t cluster) {
  switch (WidthOf(session.state.fileSystemName)) {
    case FatWidth::kFat12: return Fat12Entry(session, cluster);
    case FatWidth::kFat16: return WideEntry(session, cluster, kSectorSize / 2);
    case FatWidth::kFat32: return WideEntry(session, cluster, kSectorSize / 4);
    default: return std::nullopt;
  }
}

std::vector<uint32_t> FollowChain(Session& session, uint32_t startCluster, uint32_t limit) {
  const FatWidth width = WidthOf(session.state.fileSystemName);
  if (width == FatWidth::kNone) return {};
  std::vector<uint32_t> list{startCluster};
  SeenClusters seen;
  for (uint32_t cluster = startCluster, links = 0;;) {
    std::optional<uint32_t> next = FatEntry(session, cluster);
    if (!next || !ContinuesChain(width, *next)) break;
    if (!seen.Insert(list, *next)) {
      session.host().trace("cluster chain from " + std::to_string(startCluster) + " loops back to cluster " +
                           std::to_string(*next) + ": chain ends");
      break;
    }
    list.push_back(*next);
    if (++links == kLostLinks && limit == LostKey) break;
    cluster = *next;
  }
  return list;
}

}  // namespace vantor
