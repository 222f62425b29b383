// How the FAT scans read a directory: the root, a folder through its cluster
// chain, or one loose cluster, handing each decoded entry to a visitor.
//
// Clusters are read in pieces of at most 8 sectors (4096 bytes): one piece per
// cluster when a cluster is smaller, cluster / 8 pieces otherwise. Every sector
// of a piece holds 16 entries. In the root (fixed or FAT32) an end mark ends only
// its sector; in a folder it ends the folder. A folder is opened only when its
// first sector begins with "." and "..": anything else means its clusters were
// reused or its entry points elsewhere. A deleted folder's chain is normally gone
// from the FAT, so at most 26 clusters of it are followed; beyond that, a folder
// read to its last cluster without an end mark goes on with the free clusters
// that follow on the volume while they hold entries without "." (a folder grows
// into the next free cluster), up to the 65,536 entries a directory can hold.
//
// A long name whose parts start in an earlier sector is taken from the sector
// before in the directory: the one before on the volume inside a cluster, the
// last sector of the previous cluster of the chain at a cluster boundary (a
// directory that grew is rarely contiguous), and none before the directory's
// first sector.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "fat/FatEntries.h"
#include "fat/FatTable.h"

namespace vantor {

class FatDirectoryReader {
 public:
  // Gets each decoded entry; returning false stops the directory.
  using Visit = std::function<bool(const DecodedEntry&)>;

  FatDirectoryReader(SectorReader& reader, WorkerHost& host, const VolumeGeometry& geometry, FileSystemKind width,
                     uint16_t codePage);

  // False for a volume these reads cannot serve (not FAT, or a cluster size
  // other than 1 to 128 sectors).
  bool usable() const;
  void ReadRoot(const Visit& visit);
  // Reads the folder whose first cluster is `key`; false, having read only its
  // first piece, when that does not begin with "." and "..".
  bool ReadFolder(uint32_t key, bool deleted, const Visit& visit);
  // Reads one cluster as directory entries, without following a chain, and the
  // free clusters of entries that follow it: the later clusters of a folder
  // whose first cluster is gone. A long name cut at the first cluster's start
  // gives way to its short name.
  void ReadLooseCluster(uint32_t cluster, const Visit& visit);
  // The clusters of the directory read last (empty for a fixed root).
  const std::vector<uint32_t>& clusters() const { return clusters_; }
  uint64_t ClusterSector(uint32_t cluster) const;
  FatTable& table() { return table_; }

 private:
  enum class SectorEnd { kNextSector, kEndFolder };

  void ReadPiece(uint32_t cluster, uint32_t piece);
  ByteView PieceSector(uint32_t index) const;
  void ReadSector(uint64_t number, SectorBytes& out);
  bool PreviousInChain(uint64_t& number, SectorBytes& out);
  void ReadClusters(bool isRoot, bool firstPieceRead, const Visit& visit);
  bool TakeFollowingCluster();
  SectorEnd ReadEntries(ByteView sector, uint64_t number, bool isRoot, const PreviousSector& previous,
                        const Visit& visit);

  SectorReader& reader_;
  WorkerHost& host_;
  const VolumeGeometry geometry_;
  const FileSystemKind width_;
  const uint16_t codePage_;
  FatTable table_;
  const uint32_t perCluster_;
  const uint32_t perPiece_;
  const uint32_t pieces_;
  std::vector<uint8_t> piece_;
  uint64_t pieceFirst_ = 0;
  uint32_t sectorsInBuffer_ = 0;
  std::vector<uint32_t> clusters_;
  size_t clusterIndex_ = 0;
  bool loose_ = false;
  bool followFree_ = false;
  const uint32_t maxClusters_;
  const uint32_t lastCluster_;
};

}  // namespace vantor
