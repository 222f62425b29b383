// A damaged entry can claim more bytes than its volume holds: read without a
// chain, the copy ends at the volume's last sector, since nothing past it
// belongs to the file, and the file is reported as damaged.
#include "save/SaveFatFile.h"

#include <algorithm>
#include <vector>

#include "core/Sector.h"
#include "disk/SectorReader.h"
#include "fat/FatTable.h"
#include "platform/FileTimes.h"
#include "save/CopyRuns.h"
#include "save/FatChain.h"
#include "save/FileStart.h"
#include "save/Progress.h"
#include "save/SaveContext.h"
#include "save/StampTimes.h"

namespace vantor {
namespace {

// The FAT copy at `fatStart`: the one the saving run keeps, or (for the Open
// action, outside a run) one of its own in `single`.
FatTable& TableAt(const SaveContext& context, uint64_t fatStart, bool interactive, std::unique_ptr<FatTable>& single) {
  const auto make = [&] {
    return std::make_unique<FatTable>(context.reader.function(), context.reader.quietFunction(),
                                      context.state.fileSystem(), fatStart,
                                      context.state.geometry.sectorsPerFat);
  };
  if (!interactive) return *(single = make());
  std::unique_ptr<FatTable>& kept = context.savingRun.fatTables[fatStart];
  if (kept == nullptr) kept = make();
  return *kept;
}

// The chain of the right length from the copy (or copies) the filter names, or
// an empty list: read consecutive clusters.
std::vector<uint32_t> ClusterList(const SaveContext& context, uint32_t start, uint64_t clusterCount, bool interactive) {
  const VolumeGeometry& geometry = context.state.geometry;
  int32_t source = context.savingFilter.fatChainSource;
  std::vector<uint64_t> copies;
  if (source == kChainAuto || source == kChainFat1) copies.push_back(geometry.firstFatSector);
  if (source == kChainAuto || source == kChainFat2) copies.push_back(geometry.secondFatSector);
  for (uint64_t fatStart : copies) {
    std::unique_ptr<FatTable> single;
    auto list = BuildFatChain(TableAt(context, fatStart, interactive, single), start, clusterCount);
    if (list.size() == clusterCount) return list;
  }
  return {};
}

// Runs of the clusters: consecutive clusters of the list form one run; without a
// list, the clusters from `start` on form one run as long as the file.
RunSupplier ClusterRuns(const VolumeGeometry& geometry, std::vector<uint32_t> list, uint32_t start, uint64_t clusterCount) {
  const uint64_t perCluster = geometry.sectorsPerCluster;
  const int64_t base = geometry.clusterBase;
  const auto first = [=](uint32_t cluster) { return base + static_cast<int64_t>(cluster * perCluster); };
  if (list.empty()) {
    bool given = false;
    return [=](SectorRun& run) mutable {
      if (given) return false;
      given = true;
      run = {first(start), clusterCount * perCluster, false};
      return true;
    };
  }
  size_t next = 0;
  return [=, list = std::move(list)](SectorRun& run) mutable {
    if (next == list.size()) return false;
    size_t end = next + 1;
    while (end < list.size() && list[end] == list[end - 1] + 1 && (end - next) * perCluster < kRunSectors) ++end;
    run = {first(list[next]), (end - next) * perCluster, false};
    next = end;
    return true;
  };
}

// The bytes a file starting at `startCluster` can hold before the volume ends,
// at most `size`; `size` when the volume's end is not known.
uint64_t BytesWithinVolume(const RecoveryState& state, uint32_t startCluster, uint64_t size) {
  if (state.endSector == 0) return size;
  const VolumeGeometry& geometry = state.geometry;
  int64_t first = geometry.clusterBase + static_cast<int64_t>(startCluster) * geometry.sectorsPerCluster;
  if (first < 0 || static_cast<uint64_t>(first) >= state.endSector) return 0;
  return std::min<uint64_t>(size, (state.endSector - static_cast<uint64_t>(first)) * kSectorSize);
}

}  // namespace

bool SaveFatFile(const SaveContext& context, std::string destinationPath, const std::u16string& fileName, uint32_t size,
                 uint32_t startCluster, bool interactive, char deleted, uint16_t dosTime, uint16_t dosDate) {
  FileTime time;
  const bool hasTime = StampFileTime({dosDate, dosTime}, false, time);
  context.savingRun.skipFile = 0;
  const VolumeGeometry& geometry = context.state.geometry;
  if (geometry.sectorsPerCluster == 0) return false;
  TargetFile target{std::move(destinationPath), !interactive};
  if (interactive && !StartFile(context, target, fileName, size, deleted)) return false;
  const uint64_t clusterBytes = static_cast<uint64_t>(geometry.sectorsPerCluster) * kSectorSize;
  const uint64_t clusterCount = (size + clusterBytes - 1) / clusterBytes;
  std::vector<uint32_t> list;
  if (context.savingFilter.fatChainSource != kChainContiguous) list = ClusterList(context, startCluster, clusterCount, interactive);
  // Without a chain the clusters are read one after another from the first.
  const uint64_t copySize = list.empty() ? BytesWithinVolume(context.state, startCluster, size) : size;
  const uint64_t runClusters = (copySize + clusterBytes - 1) / clusterBytes;
  const uint32_t piece = geometry.sectorsPerCluster >= 8 ? 8 : 1;
  FileEnd end = WriteDestinationFile(context, target, interactive, hasTime ? &time : nullptr,
                                     [&](OutputFile& file, uint64_t& written) {
                                       return CopyRuns(context, file, ClusterRuns(geometry, list, startCluster, runClusters),
                                                       copySize, copySize, piece, interactive, written);
                                     });
  if (end != FileEnd::kSaved) return false;
  if (interactive) RefreshProgress(context, copySize, size, 0);
  if (interactive && copySize < size)
    context.savingRun.damaged.push_back(
        {target.path, "its size runs " + std::to_string(size - copySize) +
                          " bytes past the end of the volume; saved without them"});
  return true;
}

}  // namespace vantor
