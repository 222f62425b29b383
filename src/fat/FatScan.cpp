// How the directory scan reads a volume.
//
// Clusters are read in pieces of at most 8 sectors (4096 bytes): one piece per
// cluster when a cluster is smaller, cluster / 8 pieces otherwise. Every sector
// of a piece holds 16 entries. In the root (fixed or FAT32) an end mark ends only
// its sector; in a folder it ends the folder. A folder is opened only when its
// first sector begins with "." and "..": anything else means its clusters were
// reused or its entry points elsewhere. A deleted folder's chain is normally gone
// from the FAT, so at most 26 clusters of it are read, and everything in it is
// listed as deleted.
//
// A long name whose parts start in an earlier sector is taken from the sector
// before in the directory: the one before on the volume inside a cluster, the
// last sector of the previous cluster of the chain at a cluster boundary (a
// directory that grew is rarely contiguous), and none before the directory's
// first sector.
//
// The catalog's duplicate check makes the walk end on trees with loops: a folder
// met twice is kept once and therefore read once.
#include "fat/FatScan.h"

#include <cstring>
#include <new>
#include <vector>

#include "core/ProgressReport.h"
#include "disk/SectorReader.h"
#include "fat/FatChains.h"
#include "fat/FatEntries.h"
#include "fat/FatTable.h"
#include "partition/BootValues.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr uint32_t kMaxPieceSectors = 8;

enum class SectorEnd { kNextSector, kEndFolder };

class DirectoryScan {
 public:
  explicit DirectoryScan(const ScanContext& context)
      : reader_(context.reader),
        host_(context.host),
        catalog_(context.catalog),
        geometry_(context.state.geometry),
        width_(context.state.fileSystem()),
        codePage_(context.state.oemCodePage),
        table_(reader_.function(), reader_.quietFunction(), width_, geometry_.firstFatSector, geometry_.sectorsPerFat),
        perCluster_(geometry_.sectorsPerCluster),
        perPiece_(perCluster_ >= kMaxPieceSectors ? kMaxPieceSectors : perCluster_),
        pieces_(perCluster_ >= kMaxPieceSectors ? perCluster_ / kMaxPieceSectors : 1),
        piece_(kMaxPieceSectors * kSectorSize) {}

  FatScanResult Run() {
    catalog_.directoriesFound = 0;
    catalog_.filesFound = 0;
    catalog_.bytesTotal = 0;
    host_.setProgressRange(100);
    if (IsFat(width_) && IsClusterSize(perCluster_)) {
      ReadRoot();
      WalkFolders();
    }
    host_.setProgress(100);
    if (catalog_.outOfMemory) {
      host_.messageInfo("Out Of Memory");
      return {false, "Out Of Memory", false};
    }
    if (catalog_.directoriesFound == 0 && catalog_.filesFound == 0) {
      host_.messageInfo(kSwitchToExhaustiveText);
      return {true, {}, true};
    }
    return {};
  }

 private:
  struct Directory {
    uint32_t key = 0;  // the parent key of what it holds
    bool deleted = false;
    bool isRoot = false;
    std::vector<uint32_t> clusters;
  };

  uint64_t ClusterSector(uint32_t cluster) const {
    return static_cast<uint64_t>(geometry_.clusterBase + static_cast<int64_t>(cluster) * perCluster_);
  }

  void ReadPiece(uint32_t cluster, uint32_t piece) {
    pieceFirst_ = ClusterSector(cluster) + static_cast<uint64_t>(piece) * perPiece_;
    sectorsInBuffer_ = perPiece_;
    std::memset(piece_.data(), 0, piece_.size());
    reader_.read(pieceFirst_, perPiece_, piece_.data());
  }

  ByteView PieceSector(uint32_t index) const {
    return ByteView(piece_.data() + static_cast<size_t>(index) * kSectorSize, kSectorSize);
  }

  void ReadSector(uint64_t number, SectorBytes& out) {
    if (number >= pieceFirst_ && number < pieceFirst_ + sectorsInBuffer_) {
      std::memcpy(out.data(), piece_.data() + (number - pieceFirst_) * kSectorSize, kSectorSize);
      return;
    }
    out.fill(0);
    reader_.read(number, 1, out.data());
  }

  // The sector before `number` in the directory's chain.
  bool PreviousInChain(const Directory& directory, uint64_t& number, SectorBytes& out) {
    for (size_t k = clusterIndex_ + 1; k-- > 0;) {
      uint64_t first = ClusterSector(directory.clusters[k]);
      if (number < first || number >= first + perCluster_) continue;
      if (number > first)
        number -= 1;
      else if (k > 0)
        number = ClusterSector(directory.clusters[k - 1]) + perCluster_ - 1;
      else
        return false;
      ReadSector(number, out);
      return true;
    }
    return false;
  }

  void ReadRoot() {
    if (width_ == FileSystemKind::kFat32) {
      Directory root{kFatRootKey, false, true, FollowChain(table_, host_, static_cast<uint32_t>(geometry_.rootStart), 0)};
      ReadClusters(root, false);
      return;
    }
    const PreviousSector previous = [&](uint64_t& number, SectorBytes& out) {
      if (number <= geometry_.rootStart) return false;
      ReadSector(--number, out);
      return true;
    };
    for (uint32_t i = 0; i < geometry_.rootDirSectors && geometry_.rootStart != 0 && !catalog_.outOfMemory; ++i) {
      pieceFirst_ = geometry_.rootStart + i;
      sectorsInBuffer_ = 1;
      std::memset(piece_.data(), 0, kSectorSize);
      reader_.read(pieceFirst_, 1, piece_.data());
      ReadEntries(PieceSector(0), pieceFirst_, Directory{kFatRootKey, false, true, {}}, previous);
    }
  }

  void WalkFolders() {
    // Positions, not iterators: records appended meanwhile are visited later.
    for (size_t i = 0; i < catalog_.folders().size() && !catalog_.outOfMemory; ++i) {
      host_.pauseGate();
      if (host_.stopRequested()) return;
      const FolderRecord& folder = catalog_.folders()[i];
      if (folder.ownKey != LostKey) ReadFolder(folder.ownKey, folder.deleted == 'y', folder.name);
      host_.setProgress((i + 1) * 100 / catalog_.folders().size());
    }
  }

  void ReadFolder(uint32_t key, bool deleted, const RecordName& name) {
    Directory folder{key, deleted, false, {key}};
    clusterIndex_ = 0;
    ReadPiece(key, 0);
    if (!IsDirectoryStart(PieceSector(0))) {
      host_.trace("folder " + name.utf8() + " (cluster " + std::to_string(key) +
                            ") not opened: its first sector does not begin with \".\" and \"..\"");
      return;
    }
    folder.clusters = FollowChain(table_, host_, key, deleted ? LostKey : 0);
    ReadClusters(folder, true);
  }

  void ReadClusters(Directory& directory, bool firstPieceRead) {
    const PreviousSector previous = [&](uint64_t& number, SectorBytes& out) {
      return PreviousInChain(directory, number, out);
    };
    for (clusterIndex_ = 0; clusterIndex_ < directory.clusters.size(); ++clusterIndex_) {
      for (uint32_t p = 0; p < pieces_; ++p) {
        if (!(firstPieceRead && clusterIndex_ == 0 && p == 0)) ReadPiece(directory.clusters[clusterIndex_], p);
        for (uint32_t s = 0; s < perPiece_; ++s)
          if (ReadEntries(PieceSector(s), pieceFirst_ + s, directory, previous) == SectorEnd::kEndFolder) return;
      }
    }
  }

  SectorEnd ReadEntries(ByteView sector, uint64_t number, const Directory& directory, const PreviousSector& previous) {
    for (unsigned e = 0; e < kEntriesPerSector; ++e) {
      if (catalog_.outOfMemory) return SectorEnd::kEndFolder;
      DecodedEntry entry;
      EntryOutcome outcome = DecodeEntry(sector, number, e, width_ != FileSystemKind::kFat32 && directory.isRoot,
                                         previous, codePage_, entry);
      if (outcome == EntryOutcome::kEnd) {
        if (directory.isRoot) return SectorEnd::kNextSector;
        return SectorEnd::kEndFolder;
      }
      if (outcome == EntryOutcome::kDecoded)
        Add(entry, directory);
      else if (std::string why = SkipReason(outcome); !why.empty())
        host_.trace("entry " + std::to_string(e) + " of sector " + std::to_string(number) + " (" +
                              Utf16ToUtf8(entry.name) + ") passed over: " + why);
    }
    return SectorEnd::kNextSector;
  }

  void Add(const DecodedEntry& entry, const Directory& directory) {
    char deleted = directory.deleted ? 'y' : entry.deleted;
    if (entry.isFolder) {
      catalog_.AddFolder({.shortName = entry.shortName,
                          .longName = entry.name,
                          .deleted = deleted,
                          .parentKey = directory.key,
                          .ownKey = entry.firstCluster,
                          .times = entry.times});
    } else if (catalog_.AddFile({.shortName = entry.shortName,
                                 .longName = entry.name,
                                 .deleted = deleted,
                                 .size = entry.size,
                                 .parentKey = directory.key,
                                 .ownKey = entry.firstCluster,
                                 .times = entry.times})) {
      catalog_.bytesTotal += entry.size;
    }
    progress_.Report(host_, catalog_.bytesTotal, catalog_.directoriesFound, catalog_.filesFound,
                     entry.name);
  }

  SectorReader& reader_;
  WorkerHost& host_;
  RecoveryCatalog& catalog_;
  const VolumeGeometry geometry_;
  const FileSystemKind width_;
  const uint16_t codePage_;
  FatTable table_;
  const uint32_t perCluster_;
  const uint32_t perPiece_;
  const uint32_t pieces_;
  std::vector<uint8_t> piece_;
  uint64_t pieceFirst_ = 0;
  size_t clusterIndex_ = 0;
  uint32_t sectorsInBuffer_ = 0;
  ProgressReport progress_;
};

}  // namespace

FatScanResult FatScan(const ScanContext& context) {
  try {
    return DirectoryScan(context).Run();
  } catch (const std::bad_alloc&) {
    context.host.messageInfo("Not Enough Memory");
    return {false, "Not Enough Memory", false};
  }
}

}  // namespace vantor
