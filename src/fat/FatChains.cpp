#include "fat/FatChains.h"

#include <algorithm>
#include <unordered_set>

#include "catalog/RecoveryCatalog.h"
#include "core/WorkerHost.h"
#include "fat/FatTable.h"

namespace vantor {
namespace {

constexpr uint32_t kLostLinks = 25;

bool ContinuesChain(FileSystemKind width, uint32_t value) {
  switch (width) {
    case FileSystemKind::kFat12: return value >= 1 && value <= 0xFFE;
    case FileSystemKind::kFat16: return value >= 2 && value < 0xFFFF;
    case FileSystemKind::kFat32: return value >= 2 && value < 0x0FFFFFFF;
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

std::vector<uint32_t> FollowChain(FatTable& table, WorkerHost& host, uint32_t startCluster, uint32_t limit) {
  const FileSystemKind width = table.width();
  if (!IsFat(width)) return {};
  std::vector<uint32_t> list{startCluster};
  SeenClusters seen;
  for (uint32_t cluster = startCluster, links = 0;;) {
    std::optional<uint32_t> next = table.Entry(cluster);
    if (!next || !ContinuesChain(width, *next)) break;
    if (!seen.Insert(list, *next)) {
      host.trace("cluster chain from " + std::to_string(startCluster) + " loops back to cluster " +
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
