// The cluster chains that the scans follow, read from the first FAT copy only.
//
// FAT32 entries are used with all 32 bits (the top four are not masked), so a
// value with any of them set ends a chain. The values the FAT format reserves for
// bad clusters and end marks below the top value (0xFF7-0xFFE, 0xFFF7-0xFFFE,
// 0x0FFFFFF7-0x0FFFFFFE) continue a chain; that keeps what the scans read from
// tools that write 0x0FFFFFF8 as their end mark, and the end-sector guard of the
// sector source keeps such reads inside the volume.
//
// A damaged FAT can make a chain loop; a chain therefore ends at the first
// cluster it already holds. Valid chains never repeat a cluster, so for them the
// list is exactly what the links give.
#pragma once

#include <cstdint>
#include <vector>

namespace vantor {

class FatTable;
class WorkerHost;

// The start cluster and the clusters that follow it. `limit` 0 follows the whole
// chain; LostKey stops after 25 links (26 clusters), for deleted folders whose
// chain is normally gone. Empty for a table that is not FAT. A chain that loops
// back is traced through `host`.
std::vector<uint32_t> FollowChain(FatTable& table, WorkerHost& host, uint32_t startCluster, uint32_t limit);

}  // namespace vantor
