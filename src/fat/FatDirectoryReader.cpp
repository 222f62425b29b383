#include "fat/FatDirectoryReader.h"

#include <algorithm>
#include <cstring>

#include "fat/FatChains.h"
#include "partition/BootValues.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr uint32_t kMaxPieceSectors = 8;
// How many clusters in use a deleted folder's next cluster may lie beyond.
constexpr uint32_t kMaxHeldClustersPassed = 4096;
// A directory holds at most 65,536 entries of 32 bytes.
constexpr uint64_t kMaxDirectoryBytes = 65536 * kDirEntrySize;

// The highest cluster number the table's sectors can describe.
uint32_t LastClusterOfTable(FileSystemKind width, uint64_t sectorsPerFat) {
  const uint64_t bits = width == FileSystemKind::kFat12 ? 12 : width == FileSystemKind::kFat16 ? 16 : 32;
  const uint64_t entries = sectorsPerFat * kSectorSize * 8 / bits;
  return static_cast<uint32_t>(std::min<uint64_t>(entries == 0 ? 0 : entries - 1, 0x0FFFFFF6));
}

}  // namespace

FatDirectoryReader::FatDirectoryReader(SectorReader& reader, WorkerHost& host, const VolumeGeometry& geometry,
                                       FileSystemKind width, uint16_t codePage)
    : reader_(reader),
      host_(host),
      geometry_(geometry),
      width_(width),
      codePage_(codePage),
      table_(reader.function(), reader.quietFunction(), width, geometry.firstFatSector, geometry.sectorsPerFat),
      perCluster_(geometry.sectorsPerCluster),
      perPiece_(perCluster_ >= kMaxPieceSectors ? kMaxPieceSectors : perCluster_),
      pieces_(perCluster_ >= kMaxPieceSectors ? perCluster_ / kMaxPieceSectors : 1),
      piece_(kMaxPieceSectors * kSectorSize),
      maxClusters_(static_cast<uint32_t>(
          std::max<uint64_t>(1, kMaxDirectoryBytes / (std::max<uint32_t>(1, perCluster_) * kSectorSize)))),
      lastCluster_(LastClusterOfTable(width, geometry.sectorsPerFat)) {}

bool FatDirectoryReader::usable() const { return IsFat(width_) && IsClusterSize(perCluster_); }

uint64_t FatDirectoryReader::ClusterSector(uint32_t cluster) const {
  return static_cast<uint64_t>(geometry_.clusterBase + static_cast<int64_t>(cluster) * perCluster_);
}

void FatDirectoryReader::ReadPiece(uint32_t cluster, uint32_t piece) {
  pieceFirst_ = ClusterSector(cluster) + static_cast<uint64_t>(piece) * perPiece_;
  sectorsInBuffer_ = perPiece_;
  reader_.read(pieceFirst_, perPiece_, piece_.data());
}

ByteView FatDirectoryReader::PieceSector(uint32_t index) const {
  return ByteView(piece_.data() + static_cast<size_t>(index) * kSectorSize, kSectorSize);
}

void FatDirectoryReader::ReadSector(uint64_t number, SectorBytes& out) {
  if (number >= pieceFirst_ && number < pieceFirst_ + sectorsInBuffer_) {
    std::memcpy(out.data(), piece_.data() + (number - pieceFirst_) * kSectorSize, kSectorSize);
    return;
  }
  out.fill(0);
  reader_.read(number, 1, out.data());
}

bool FatDirectoryReader::PreviousInChain(uint64_t& number, SectorBytes& out) {
  for (size_t k = clusterIndex_ + 1; k-- > 0;) {
    uint64_t first = ClusterSector(clusters_[k]);
    if (number < first || number >= first + perCluster_) continue;
    if (number > first)
      number -= 1;
    else if (k > 0)
      number = ClusterSector(clusters_[k - 1]) + perCluster_ - 1;
    else
      return false;
    ReadSector(number, out);
    return true;
  }
  return false;
}

void FatDirectoryReader::ReadRoot(const Visit& visit) {
  loose_ = false;
  followFree_ = false;
  clusters_.clear();
  clusterIndex_ = 0;
  if (width_ == FileSystemKind::kFat32) {
    clusters_ = FollowChain(table_, host_, static_cast<uint32_t>(geometry_.rootStart), 0);
    ReadClusters(true, false, visit);
    return;
  }
  const PreviousSector previous = [&](uint64_t& number, SectorBytes& out) {
    if (number <= geometry_.rootStart) return false;
    ReadSector(--number, out);
    return true;
  };
  for (uint32_t i = 0; i < geometry_.rootDirSectors && geometry_.rootStart != 0; ++i) {
    pieceFirst_ = geometry_.rootStart + i;
    sectorsInBuffer_ = 1;
    reader_.read(pieceFirst_, 1, piece_.data());
    if (ReadEntries(PieceSector(0), pieceFirst_, true, previous, visit) == SectorEnd::kEndFolder) return;
  }
}

bool FatDirectoryReader::ReadFolder(uint32_t key, bool deleted, const Visit& visit) {
  loose_ = false;
  followFree_ = deleted;
  clusters_.assign(1, key);
  clusterIndex_ = 0;
  ReadPiece(key, 0);
  if (!IsDirectoryStart(PieceSector(0))) return false;
  clusters_ = FollowChain(table_, host_, key, deleted ? LostKey : 0);
  ReadClusters(false, true, visit);
  return true;
}

void FatDirectoryReader::ReadLooseCluster(uint32_t cluster, const Visit& visit) {
  loose_ = true;
  followFree_ = true;
  clusters_.assign(1, cluster);
  ReadClusters(false, false, visit);
}

void FatDirectoryReader::ReadClusters(bool isRoot, bool firstPieceRead, const Visit& visit) {
  const PreviousSector previous = [&](uint64_t& number, SectorBytes& out) { return PreviousInChain(number, out); };
  bool held = firstPieceRead;  // the cluster's first piece is in the buffer
  for (clusterIndex_ = 0; clusterIndex_ < clusters_.size(); ++clusterIndex_) {
    for (uint32_t p = 0; p < pieces_; ++p) {
      if (!(held && p == 0)) ReadPiece(clusters_[clusterIndex_], p);
      for (uint32_t s = 0; s < perPiece_; ++s)
        if (ReadEntries(PieceSector(s), pieceFirst_ + s, isRoot, previous, visit) == SectorEnd::kEndFolder) return;
    }
    held = followFree_ && clusterIndex_ + 1 == clusters_.size() && TakeFollowingCluster();
  }
}

// A folder grows into the next free cluster, past those that files hold: the
// first free cluster after the last one read continues the folder when its
// first sector holds entries but does not start a folder.
bool FatDirectoryReader::TakeFollowingCluster() {
  if (clusters_.size() >= maxClusters_) return false;
  uint32_t next = clusters_.back();
  for (uint32_t passed = 0;; ++passed) {
    if (next >= lastCluster_ || passed == kMaxHeldClustersPassed) return false;
    const std::optional<uint32_t> entry = table_.Entry(++next);
    if (!entry) return false;
    if (*entry == 0) break;
  }
  ReadPiece(next, 0);
  const ByteView head = PieceSector(0);
  if (IsDirectoryStart(head) || !LooksLikeDirectoryEntries(head, lastCluster_)) return false;
  clusters_.push_back(next);
  return true;
}

namespace {

std::string EntryText(unsigned index, uint64_t sector, const DecodedEntry& entry) {
  return "entry " + std::to_string(index) + " of sector " + std::to_string(sector) + " (" + Utf16ToUtf8(entry.name) + ")";
}

}  // namespace

FatDirectoryReader::SectorEnd FatDirectoryReader::ReadEntries(ByteView sector, uint64_t number, bool isRoot,
                                                              const PreviousSector& previous, const Visit& visit) {
  // In a loose cluster a long name may have begun in a cluster nobody knows:
  // such a name is cut, and its short name stands for it instead.
  bool cut = false;
  const PreviousSector tracked = [&](uint64_t& sectorNumber, SectorBytes& out) {
    if (previous(sectorNumber, out)) return true;
    cut = true;
    return false;
  };
  for (unsigned e = 0; e < kEntriesPerSector; ++e) {
    DecodedEntry entry;
    cut = false;
    EntryOutcome outcome = DecodeEntry(sector, number, e, width_ != FileSystemKind::kFat32 && isRoot,
                                       loose_ ? tracked : previous, codePage_, entry);
    if (outcome == EntryOutcome::kEnd) return isRoot ? SectorEnd::kNextSector : SectorEnd::kEndFolder;
    if (outcome == EntryOutcome::kDecoded) {
      if (cut && entry.shortName.empty()) {
        ShortName shortName = ComposeShortName(sector.sub(e * kDirEntrySize, kDirEntrySize));
        if (IsValidName(shortName.wide)) {
          entry.shortName = std::move(shortName.bytes);
          entry.name = std::move(shortName.wide);
        }
      }
      if (!entry.note.empty()) host_.trace(EntryText(e, number, entry) + ": " + entry.note);
      if (!visit(entry)) return SectorEnd::kEndFolder;
    } else if (std::string why = SkipReason(outcome); !why.empty()) {
      host_.trace(EntryText(e, number, entry) + " passed over: " + why);
    }
  }
  return SectorEnd::kNextSector;
}

}  // namespace vantor
