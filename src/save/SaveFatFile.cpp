// A DOS date or time that forms no calendar time (day 0, hour above 23, minute
// above 59) gives no file time: the file keeps the time of its writing.
#include "save/SaveFatFile.h"

#include <vector>

#include "core/Sector.h"
#include "core/Session.h"
#include "platform/FileTimes.h"
#include "save/CopyRuns.h"
#include "save/FatChain.h"
#include "save/FileStart.h"
#include "save/Progress.h"
#include "save/ReadRuns.h"

namespace vantor {
namespace {

bool DosFileTime(uint16_t dosTime, uint16_t dosDate, FileTime& time) {
  int month = (dosDate >> 5) & 0x0F;
  if (month == 0 || month > 12) month = 12;
  return LocalTimeToFileTime(((dosDate >> 9) & 0x7F) + 1980, month, dosDate & 0x1F, (dosTime >> 11) & 0x1F,
                             (dosTime >> 5) & 0x3F, 0, time);
}

// The chain of the right length from the copy (or copies) the filter names, or
// an empty list: read consecutive clusters.
std::vector<uint32_t> ClusterList(Session& session, uint32_t start, uint64_t clusterCount) {
  const VolumeGeometry& geometry = session.state.geometry;
  int32_t source = session.savingFilter.fatChainSource;
  std::vector<uint64_t> copies;
  if (source == kChainAuto || source == kChainFat1) copies.push_back(geometry.firstFatSector);
  if (source == kChainAuto || source == kChainFat2) copies.push_back(geometry.secondFatSector);
  for (uint64_t fatStart : copies) {
    auto list = BuildFatChain(session, start, fatStart, clusterCount);
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

}  // namespace

bool SaveFatFile(Session& session, std::string destinationPath, const std::u16string& fileName, uint32_t size,
                 uint32_t startCluster, bool interactive, char deleted, uint16_t dosTime, uint16_t dosDate) {
  FileTime time;
  const bool hasTime = DosFileTime(dosTime, dosDate, time);
  SavingRun& run = session.savingRun;
  run.skipFile = 0;
  const VolumeGeometry& geometry = session.state.geometry;
  if (geometry.sectorsPerCluster == 0) return false;
  if (interactive && !StartFile(session, destinationPath, fileName, size, deleted)) return false;
  const uint64_t clusterBytes = static_cast<uint64_t>(geometry.sectorsPerCluster) * kSectorSize;
  const uint64_t clusterCount = (size + clusterBytes - 1) / clusterBytes;
  std::vector<uint32_t> list;
  if (session.savingFilter.fatChainSource != kChainContiguous) list = ClusterList(session, startCluster, clusterCount);
  auto file = CreateDestinationFile(session, destinationPath, interactive);
  if (file == nullptr) return false;
  uint64_t written = 0;
  uint32_t piece = geometry.sectorsPerCluster >= 8 ? 8 : 1;
  CopyEnd end = CopyRuns(session, *file, ClusterRuns(geometry, std::move(list), startCluster, clusterCount), size,
                         piece, interactive, written);
  FinishFile(file, destinationPath, hasTime ? &time : nullptr);
  if (end == CopyEnd::kInterrupted) {
    run.skipFile = 0;
    return false;
  }
  if (interactive) RefreshProgress(session, written, size, 0);
  return true;
}

}  // namespace vantor
