#include "lost/FatCandidates.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/ProgressReport.h"
#include "core/Sector.h"
#include "core/WorkerHost.h"
#include "fat/FatEntries.h"
#include "partition/BootValues.h"

namespace vantor {
namespace {

constexpr unsigned kClusterShifts = 8;  // cluster sizes 1, 2, 4, ... 128 sectors

// The boot candidate that sector `s` gives when it is the boot sector at `x`.
void NoteBootAt(ByteView s, uint64_t x, LostSearchLists& lists) {
  FatBootCandidate b;
  b.bootSector = x;
  b.reservedSectors = s.le16(14);
  b.sectorsPerCluster = s.u8(13);
  // A cluster size of 0 or of no power of two would confirm any folder: such a
  // sector is no boot sector.
  if (!IsClusterSize(b.sectorsPerCluster)) return;
  const int64_t start = static_cast<int64_t>(x) + b.reservedSectors;
  if (s.matches(85, "32")) {
    b.sectorsPerFat = s.le32(36);
    b.root = s.le32(44);
    b.clusterBase = start + 2 * static_cast<int64_t>(b.sectorsPerFat) - 2 * b.sectorsPerCluster;
    b.endSector = x + s.le32(32);
    b.name = "FAT32";
  } else if (s.matches(57, "16") || s.matches(57, "12")) {
    // FAT12 (small partitions, floppies) lays out its boot sector as FAT16 does.
    b.sectorsPerFat = s.le16(22);
    b.rootDirSectors = s.le16(17) / 16;
    const uint32_t total = s.le32(32) != 0 ? s.le32(32) : s.le16(19);
    b.root = static_cast<uint64_t>(start) + 2 * static_cast<uint64_t>(b.sectorsPerFat);
    b.clusterBase = static_cast<int64_t>(b.root) + b.rootDirSectors - 2 * static_cast<int64_t>(b.sectorsPerCluster);
    b.endSector = x + total;
    b.name = s.matches(57, "16") ? "FAT16" : "FAT12";
  } else {
    return;
  }
  b.firstFatSector = static_cast<uint64_t>(start);
  b.secondFatSector = static_cast<uint64_t>(start) + b.sectorsPerFat;
  b.media = s.u8(21);
  b.fatCopies = s.u8(16);
  lists.boots.push_back(std::move(b));
}

// A sector is noted as a boot sector where it lies and, on FAT32, also as the
// backup copy it may be (at the reserved sector that offset 50 names, usually
// 6), which stands for a primary copy that is gone. The wrong reading of the
// two finds neither folders nor FATs where it would place them.
void NoteBootSector(ByteView s, uint64_t x, LostSearchLists& lists) {
  NoteBootAt(s, x, lists);
  const uint16_t backup = s.le16(50);
  if (s.matches(85, "32") && backup != 0 && backup < s.le16(14) && x >= backup) NoteBootAt(s, x - backup, lists);
}

bool FatsConfirm(const FatBootCandidate& boot, const SectorsRead& read) {
  constexpr uint8_t kLowestMediaByte = 0xF0;
  if (boot.sectorsPerFat == 0 || boot.fatCopies == 0 || boot.media < kLowestMediaByte ||
      boot.endSector <= boot.bootSector)
    return false;
  SectorBytes first{}, second{};
  read(boot.firstFatSector, 1, first.data());
  if (first[0] != boot.media || first[1] != 0xFF || first[2] != 0xFF) return false;
  if (boot.fatCopies < 2) return true;
  read(boot.secondFatSector, 1, second.data());
  return first == second;
}

FoundFileSystem FoundFrom(const FatBootCandidate& boot) {
  return {.name = boot.name,
          .sectorsPerCluster = boot.sectorsPerCluster,
          .startSector = boot.bootSector,
          .endSector = boot.endSector,
          .sectorsPerFat = boot.sectorsPerFat,
          .rootDirSectors = boot.rootDirSectors,
          .reservedSectors = boot.reservedSectors,
          .root = boot.root,
          .clusterBase = boot.clusterBase,
          .firstFatSector = boot.firstFatSector,
          .secondFatSector = boot.secondFatSector};
}

// The folder candidates by the base they imply for each cluster size: for
// shift i, the pairs (sector - cluster << i, position), sorted. The folders of
// one file system share one key, so both phases look a base up instead of
// comparing every pair of candidates.
class FolderIndex {
 public:
  explicit FolderIndex(const std::vector<FatFolderCandidate>& folders) {
    for (unsigned i = 0; i < kClusterShifts; ++i) {
      auto& keys = byShift_[i];
      keys.reserve(folders.size());
      for (uint32_t p = 0; p < folders.size(); ++p) keys.emplace_back(BaseOf(folders[p], i), p);
      std::sort(keys.begin(), keys.end());
    }
  }

  static int64_t BaseOf(const FatFolderCandidate& folder, unsigned shift) {
    return static_cast<int64_t>(folder.sector) - (static_cast<int64_t>(folder.ownCluster) << shift);
  }

  // The positions of the candidates that imply `base` for cluster size 1 << shift,
  // in list order.
  std::pair<const std::pair<int64_t, uint32_t>*, const std::pair<int64_t, uint32_t>*> WithBase(unsigned shift,
                                                                                           int64_t base) const {
    const auto& keys = byShift_[shift];
    auto range = std::equal_range(keys.begin(), keys.end(), std::make_pair(base, uint32_t{0}),
                                  [](const auto& a, const auto& b) { return a.first < b.first; });
    return {keys.data() + (range.first - keys.begin()), keys.data() + (range.second - keys.begin())};
  }

 private:
  std::array<std::vector<std::pair<int64_t, uint32_t>>, kClusterShifts> byShift_;
};

unsigned ShiftOf(uint32_t sectorsPerCluster) {
  unsigned shift = 0;
  while ((1u << shift) < sectorsPerCluster) ++shift;
  return shift;
}

}  // namespace

void NoteSearchSector(ByteView s, uint64_t number, LostSearchLists& lists) {
  if (HasBootMark(s)) {
    NoteBootSector(s, number, lists);
    return;
  }
  if (!s.matches(0, ". ") || !s.matches(32, ".. ")) return;
  FatFolderCandidate folder;
  folder.ownCluster = (static_cast<uint32_t>(s.le16(20)) << 16) | s.le16(26);
  folder.parentCluster = (static_cast<uint32_t>(s.le16(52)) << 16) | s.le16(58);
  folder.sector = number;
  folder.times = EntryTimes(s);
  lists.folders.push_back(folder);
}

void MatchBootCandidates(LostSearchLists& lists, const SectorsRead& read, WorkerHost& host) {
  if (lists.boots.empty()) return;
  const FolderIndex index(lists.folders);
  for (size_t b = 0; b < lists.boots.size(); ++b) {
    host.pauseGate();
    if (host.stopRequested()) return;
    const FatBootCandidate& boot = lists.boots[b];
    const auto listed = [&] {
      return std::any_of(lists.found.begin(), lists.found.end(),
                         [&](const FoundFileSystem& f) { return f.startSector == boot.bootSector; });
    };
    int32_t number = 0;
    for (auto [entry, end] = index.WithBase(ShiftOf(boot.sectorsPerCluster), boot.clusterBase); entry != end; ++entry) {
      FatFolderCandidate& folder = lists.folders[entry->second];
      if (folder.fileSystemNumber != 0 || static_cast<int64_t>(folder.sector) < boot.clusterBase ||
          folder.sector >= boot.endSector)
        continue;
      if (number == 0) {
        lists.found.push_back(FoundFrom(boot));
        number = static_cast<int32_t>(lists.found.size());
      }
      folder.fileSystemNumber = number;
    }
    if (number == 0 && !listed() && FatsConfirm(boot, read)) lists.found.push_back(FoundFrom(boot));
    host.setProgress(ProgressPercent(b + 1, lists.boots.size()));
  }
}

void InferFileSystems(LostSearchLists& lists, const std::string& name, WorkerHost& host) {
  auto& folders = lists.folders;
  if (folders.empty()) return;
  const FolderIndex index(folders);
  for (uint32_t p = 0; p < folders.size(); ++p) {
    FatFolderCandidate& first = folders[p];
    if (first.fileSystemNumber != 0) continue;
    host.pauseGate();
    if (host.stopRequested()) return;
    // The earliest later candidate that agrees with `first` on a cluster size
    // and a base above sector 0, and lies between its cluster and its sector.
    uint32_t best = UINT32_MAX;
    unsigned bestShift = 0;
    for (unsigned shift = 0; shift < kClusterShifts; ++shift) {
      const int64_t base = FolderIndex::BaseOf(first, shift);
      if (base <= 0) continue;
      auto [entry, end] = index.WithBase(shift, base);
      entry = std::upper_bound(entry, end, std::make_pair(base, p));
      for (; entry != end && entry->second < best; ++entry) {
        const FatFolderCandidate& q = folders[entry->second];
        if (q.fileSystemNumber == 0 && q.ownCluster > first.ownCluster && q.ownCluster < first.sector) {
          best = entry->second;
          bestShift = shift;
          break;
        }
      }
    }
    if (best == UINT32_MAX) {
      first.fileSystemNumber = kFitsNoFileSystem;
    } else {
      const int64_t base = FolderIndex::BaseOf(first, bestShift);
      lists.found.push_back({.name = name, .sectorsPerCluster = 1u << bestShift, .clusterBase = base});
      const auto number = static_cast<int32_t>(lists.found.size());
      uint32_t largest = 0;
      for (auto [entry, end] = index.WithBase(bestShift, base); entry != end; ++entry) {
        FatFolderCandidate& member = folders[entry->second];
        if (member.fileSystemNumber != 0) continue;
        member.fileSystemNumber = number;
        largest = std::max(largest, member.ownCluster);
      }
      if (name != "FAT32" && largest > 65536) lists.found.back().name = "FAT32";
    }
    host.setProgress(ProgressPercent(p + 1, folders.size()));
  }
}

}  // namespace vantor
