#include "lost/FoundFileSystems.h"

#include <algorithm>
#include <vector>

#include "partition/PartitionPanel.h"

namespace vantor {
namespace {

constexpr uint32_t kFatLookRunSectors = 1000;
constexpr uint32_t kDefaultRootDirSectors = 32;  // 512 entries, what formatters write
constexpr uint64_t kLargestFixedRoot = 4096;     // 65535 entries

// A FAT's first sector: the media byte (0xF0 on floppies, 0xF8 to 0xFF
// otherwise) in cluster 0's entry, then 0xFF 0xFF.
bool IsFatStart(const uint8_t* sector) {
  return (sector[0] == 0xF0 || sector[0] >= 0xF8) && sector[1] == 0xFF && sector[2] == 0xFF;
}

// The two FAT copies of an inferred file system: the first two sectors that
// begin a FAT, read upwards from a little below its cluster base (550 sectors
// for FAT12 and FAT16, 30000 for FAT32, whose tables are larger), or from the
// source's first sector for a volume that starts there.
void FindTables(SectorReader& reader, FoundFileSystem& entry) {
  const uint64_t below = entry.name == "FAT32" ? 30000 : 550;
  const auto base = static_cast<uint64_t>(entry.clusterBase > 0 ? entry.clusterBase : 0);
  uint64_t sector = base > below ? base - below : 0;
  uint64_t first = 0;
  std::vector<uint8_t> run(static_cast<size_t>(kFatLookRunSectors) * kSectorSize);
  while (sector < base) {
    const auto count = static_cast<uint32_t>(std::min<uint64_t>(kFatLookRunSectors, base - sector));
    reader.read(sector, count, run.data());
    for (uint32_t i = 0; i < count; ++i) {
      if (!IsFatStart(run.data() + static_cast<size_t>(i) * kSectorSize)) continue;
      if (first == 0) {
        first = sector + i;
        continue;
      }
      const uint64_t second = sector + i;
      entry.firstFatSector = first;
      entry.secondFatSector = second;
      entry.sectorsPerFat = static_cast<uint32_t>(second - first);
      entry.root = entry.name == "FAT32" ? 2 : second + (second - first);
      return;
    }
    sector += count;
  }
}

// The fixed root of an inferred FAT12 or FAT16 file system runs from its start
// to the first data cluster (cluster 2); without its tables its start is
// unknown and it is not read.
uint32_t InferredRootSectors(const FoundFileSystem& entry) {
  if (entry.root == 0) return 0;
  const int64_t rootSectors =
      entry.clusterBase + 2 * static_cast<int64_t>(entry.sectorsPerCluster) - static_cast<int64_t>(entry.root);
  return rootSectors > 0 && static_cast<uint64_t>(rootSectors) <= kLargestFixedRoot ? static_cast<uint32_t>(rootSectors)
                                                                                    : kDefaultRootDirSectors;
}

}  // namespace

std::string FoundFileSystemText(size_t number, const std::string& name) {
  return "File System " + std::to_string(number) + " - " + name;
}

std::vector<std::string> FoundFileSystemLogLines(const LostSearchLists& lists) {
  std::vector<std::string> lines{"Total File Systems Enumerated : "};
  for (size_t i = 0; i < lists.found.size(); ++i) lines.push_back(FoundFileSystemText(i + 1, lists.found[i].name));
  return lines;
}

int32_t FoundFileSystemNumber(const std::u16string& text) {
  int64_t number = 0;
  for (size_t i = 12; i < text.size() && text[i] >= u'0' && text[i] <= u'9' && number < INT32_MAX / 10; ++i)
    number = number * 10 + (text[i] - u'0');
  return static_cast<int32_t>(number);
}

bool DescribeFoundFileSystem(SectorReader& reader, RecoveryState& state, LostSearchLists& lists, int32_t number,
                             FoundDescription& out) {
  if (number < 1 || static_cast<size_t>(number) > lists.found.size()) return false;
  FoundFileSystem& entry = lists.found[static_cast<size_t>(number) - 1];
  state.fileSystemName = std::u16string(entry.name.begin(), entry.name.end());
  VolumeGeometry& geometry = state.geometry;
  geometry = {};
  geometry.sectorsPerCluster = entry.sectorsPerCluster;
  uint64_t start = entry.startSector;
  uint64_t end = entry.endSector;
  if (entry.name == "NTFS") {
    geometry.clusterBase = static_cast<int64_t>(entry.startSector);
    geometry.sectorsPerMftRecord = kNtfsCandidateRecordBytes / kSectorSize;
  } else {
    const bool inferred = entry.firstFatSector == 0;
    if (inferred) FindTables(reader, entry);
    geometry.clusterBase = entry.clusterBase;
    geometry.firstFatSector = entry.firstFatSector;
    geometry.secondFatSector = entry.secondFatSector;
    geometry.reservedSectors = entry.reservedSectors;
    geometry.sectorsPerFat = entry.sectorsPerFat;
    if (entry.name == "FAT32") {
      geometry.rootStart = entry.root != 0 ? entry.root : 2;
    } else {
      geometry.rootStart = entry.root;
      geometry.rootDirSectors = entry.rootDirSectors != 0 ? entry.rootDirSectors : InferredRootSectors(entry);
    }
    if (end == 0) end = state.endSector;
    // An inferred file system's start is unknown: it knows its cluster size and
    // base (and its tables once looked for), never its reserved sectors. One
    // found by its boot sector may start at sector 0 (a floppy, a volume
    // without a table).
    if (start == 0 && entry.reservedSectors == 0)
      start = static_cast<uint64_t>(entry.clusterBase > 0 ? entry.clusterBase : 0);
  }
  state.bootValuesValid = 1;
  out = {entry.name, PartitionSizeText(end > start ? (end - start) * kSectorSize : 0), start, end};
  return true;
}

}  // namespace vantor
