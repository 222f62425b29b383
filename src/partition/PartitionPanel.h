// What Step 2 shows for a listed file system: the panel's values, the lines it
// logs, and the shares of the "Partitions" pie graph.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "partition/PartitionEntry.h"

namespace vantor {

struct PartitionPanel {
  std::string partitionType;
  std::string partitionSize;
  std::string startSector;
  std::string endSector;
};

// Whole MiB + " MB" from 1 MiB to 1 GiB, MiB / 1024 as "%2.3f" + " GB" above,
// empty below 1 MiB.
std::string PartitionSizeText(uint64_t bytes);
PartitionPanel PanelValues(const PartitionEntry& entry);

// The Step 2 section of the activity log for a chosen partition.
std::vector<std::string> Step2LogLines(const PartitionEntry& entry, bool searchExhaustive);

struct PieShare {
  std::string label;  // "Partition1", "Partition2", ...
  int share = 0;      // whole percent
};

// Every entry but the last gets its whole-number share of the disk; the last one
// gets what is left of 100, so space outside the partitions counts toward it.
// Shares never go below 0, also when the entries claim more than the disk.
std::vector<PieShare> PartitionShares(const std::vector<PartitionEntry>& entries, uint64_t diskBytes);

}  // namespace vantor
