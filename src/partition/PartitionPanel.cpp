#include "partition/PartitionPanel.h"

#include <algorithm>
#include <cstdio>

#include "core/Sector.h"
#include "core/SizeText.h"

namespace vantor {
namespace {

uint64_t SizeBytes(const PartitionEntry& entry) {
  return entry.endSector > entry.startSector ? (entry.endSector - entry.startSector) * kSectorSize : 0;
}

}  // namespace

std::string PartitionSizeText(uint64_t bytes) {
  uint64_t mebibytes = bytes / kMegaByte;
  if (bytes < kMegaByte) return {};
  if (bytes <= kGigaByte) return std::to_string(mebibytes) + " MB";
  char text[64];
  std::snprintf(text, sizeof text, "%2.3f", static_cast<double>(mebibytes) / 1024.0);
  return std::string(text) + " GB";
}

PartitionPanel PanelValues(const PartitionEntry& entry) {
  return {entry.fileSystemName, PartitionSizeText(SizeBytes(entry)), std::to_string(entry.startSector),
          std::to_string(entry.endSector)};
}

std::vector<std::string> Step2LogLines(const PartitionEntry& entry, bool searchExhaustive) {
  PartitionPanel panel = PanelValues(entry);
  return {"Selected Information : " + entry.treeText,
          "Partition Type : " + panel.partitionType,
          "Partition Size : " + panel.partitionSize,
          "Start Sector : " + panel.startSector,
          "End Sector : " + panel.endSector,
          searchExhaustive ? "Search Exhaustive : Checked" : "Search Exhaustive : Not Checked"};
}

std::vector<PieShare> PartitionShares(const std::vector<PartitionEntry>& entries, uint64_t diskBytes) {
  std::vector<PieShare> shares;
  int64_t used = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    PieShare share{"Partition" + std::to_string(i + 1), 0};
    if (i + 1 < entries.size()) {
      uint64_t percent = diskBytes == 0 ? 0 : SizeBytes(entries[i]) / diskBytes * 100 +
                                                  SizeBytes(entries[i]) % diskBytes * 100 / diskBytes;
      share.share = static_cast<int>(std::min<uint64_t>(percent, 100 - std::min<int64_t>(used, 100)));
      used += share.share;
    } else {
      share.share = static_cast<int>(std::max<int64_t>(0, 100 - used));
    }
    shares.push_back(share);
  }
  return shares;
}

}  // namespace vantor
