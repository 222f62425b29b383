// What the lost-partition search collects while it sweeps a range, and how it
// works out the FAT file systems they belong to.
//
// Two kinds of sector are noted: FAT12, FAT16 and FAT32 boot sectors (the 0x55
// 0xAA mark and the "12" or "16" of "FAT12" or "FAT16" at 57, or the "32" of
// "FAT32" at 85), and the first sectors of folders (a "." entry followed by a
// ".." entry). A folder's "." entry names its own first cluster, so its sector
// S and cluster K satisfy S = base + K * C for the cluster base and cluster
// size C of its file system. That confirms boot sectors, and two folders that
// agree on a base and a C describe a file system whose boot sector is gone.
//
// Sector numbers are 64-bit throughout: a disk of 4 TiB has more than 2^32
// sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"
#include "core/ByteView.h"
#include "lost/NtfsCandidates.h"

namespace vantor {

class WorkerHost;

struct FatBootCandidate {
  uint64_t bootSector = 0;
  uint32_t sectorsPerFat = 0;
  uint32_t sectorsPerCluster = 0;
  uint32_t rootDirSectors = 0;
  uint32_t reservedSectors = 0;
  uint64_t root = 0;  // FAT12 and FAT16: the first root sector; FAT32: the root cluster
  int64_t clusterBase = 0;
  uint64_t firstFatSector = 0;
  uint64_t secondFatSector = 0;
  uint64_t endSector = 0;
  uint8_t media = 0;     // the media byte, which each FAT copy begins with
  uint8_t fatCopies = 0;
  std::string name = {};  // "FAT12", "FAT16" or "FAT32"
};

inline constexpr int32_t kFitsNoFileSystem = -1;

struct FatFolderCandidate {
  uint32_t ownCluster = 0;     // from the "." entry
  uint32_t parentCluster = 0;  // from the ".." entry
  uint64_t sector = 0;
  RecordTimes times = {};  // of the "." entry
  char deleted = 'n';
  // 0 not yet assigned, N found file system N, kFitsNoFileSystem none.
  int32_t fileSystemNumber = 0;
};

// A file system found by a search, numbered from 1 in list order. An inferred
// FAT file system (its boot sector gone) knows only its name, cluster size and
// cluster base until its FATs are looked for; the NTFS search fills only the
// name, start, end and cluster size.
struct FoundFileSystem {
  std::string name = {};
  uint32_t sectorsPerCluster = 0;
  uint64_t startSector = 0;
  uint64_t endSector = 0;
  uint32_t sectorsPerFat = 0;
  uint32_t rootDirSectors = 0;
  uint32_t reservedSectors = 0;
  uint64_t root = 0;
  int64_t clusterBase = 0;
  uint64_t firstFatSector = 0;
  uint64_t secondFatSector = 0;
};

// What one search keeps from its sweep to the scan of the file system chosen:
// the FAT candidates, the NTFS candidates and the file systems found.
struct LostSearchLists {
  std::vector<FatBootCandidate> boots;
  std::vector<FatFolderCandidate> folders;
  NtfsCandidates ntfs;
  std::vector<FoundFileSystem> found;
  void Clear() { *this = {}; }
};

// Notes sector `number` as a boot or folder candidate when it is one.
void NoteSearchSector(ByteView sector, uint64_t number, LostSearchLists& lists);

// Analysis phase 1: each boot candidate that a folder candidate confirms becomes
// a found file system, and the folders it explains get its number. A boot
// sector of a volume without folders (its files all in its root) is confirmed
// by its FATs, read through `read`: each copy begins with the media byte and
// two 0xFF bytes (the entries of clusters 0 and 1), and the copies' first
// sectors agree. A stray copy of a boot sector (FAT32 keeps one at sector 6)
// finds no FAT where it would place it. One volume is listed once.
// Phase 2: the folders that no boot sector explains are paired: the first
// unassigned one with the first later one that agrees with it on a cluster size
// and a cluster base gives a file system named `name` (renamed "FAT32" when one
// of its folders lies beyond cluster 65536); a folder that pairs with none is
// marked kFitsNoFileSystem. Both report progress and stop when asked.
void MatchBootCandidates(LostSearchLists& lists, const SectorsRead& read, WorkerHost& host);
void InferFileSystems(LostSearchLists& lists, const std::string& name, WorkerHost& host);

}  // namespace vantor
