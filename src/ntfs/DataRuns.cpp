#include "ntfs/DataRuns.h"

#include <limits>

namespace vantor {
namespace {

constexpr uint64_t kMaxU64 = std::numeric_limits<uint64_t>::max();

// A little-endian field of `width` bytes, sign-extended.
int64_t SignedField(ByteView bytes, size_t offset, size_t width) {
  uint64_t value = bytes.le(offset, width);
  if (width < 8 && (value >> (8 * width - 1)) != 0) value |= kMaxU64 << (8 * width);
  return static_cast<int64_t>(value);
}

// `cluster` + `delta` clusters, or false when the result leaves 0 .. 2^64.
bool MoveCluster(uint64_t& cluster, int64_t delta) {
  if (delta >= 0) {
    if (static_cast<uint64_t>(delta) > kMaxU64 - cluster) return false;
    cluster += static_cast<uint64_t>(delta);
    return true;
  }
  uint64_t back = static_cast<uint64_t>(-(delta + 1)) + 1;
  if (back > cluster) return false;
  cluster -= back;
  return true;
}

// Clusters to sectors from the partition start, or false on overflow.
bool ToSectors(uint64_t clusters, uint32_t sectorsPerCluster, uint64_t base, uint64_t& sectors) {
  if (sectorsPerCluster != 0 && clusters > (kMaxU64 - base) / sectorsPerCluster) return false;
  sectors = base + clusters * sectorsPerCluster;
  return true;
}

}  // namespace

bool DecodeRunList(ByteView runList, uint64_t partitionStart, uint32_t sectorsPerCluster, MftRunTable& table) {
  uint64_t cluster = 0;  // first cluster of the last run that was not sparse
  for (size_t at = 0;;) {
    if (!runList.has(at, 1)) return false;
    uint8_t header = runList.u8(at);
    if (header == 0) return true;
    size_t lengthBytes = header & 0x0F;
    size_t offsetBytes = header >> 4;
    if (lengthBytes == 0 || lengthBytes > 8 || offsetBytes > 8) return false;
    if (!runList.has(at + 1, lengthBytes + offsetBytes)) return false;
    DataRun run;
    if (!ToSectors(runList.le(at + 1, lengthBytes), sectorsPerCluster, 0, run.sectorCount)) return false;
    if (offsetBytes == 0) {
      run.sparse = true;
    } else {
      if (!MoveCluster(cluster, SignedField(runList, at + 1 + lengthBytes, offsetBytes))) return false;
      if (!ToSectors(cluster, sectorsPerCluster, partitionStart, run.firstSector)) return false;
    }
    if (!table.Append(run)) return false;
    at += 1 + lengthBytes + offsetBytes;
  }
}

}  // namespace vantor
