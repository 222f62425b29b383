// What the NTFS exhaustive scan collects while it sweeps a range, and how it
// rebuilds what the damaged metadata no longer says.
//
// Every 1024-byte file record ("FILE") becomes a folder candidate (flags 2 or
// 3) or a file candidate, every index block ("INDX") an index block reference,
// and, when searching for lost partitions, every NTFS boot sector a boot
// candidate. A record's number is the one it states itself (NTFS 3.1 keeps it at
// offset 44), or its index root's, or the one its parent's index block gives
// it, or else the number its neighbours on the disk imply. A folder belongs to
// the file system in which its index allocation's first cluster is an index
// block of that very folder; two such folders give a file system's start and
// cluster size when its boot sector is gone.
//
// Sector numbers are 64-bit throughout.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"
#include "core/ByteView.h"
#include "ntfs/MftRunTable.h"

namespace vantor {

class WorkerHost;

inline constexpr uint32_t kNtfsCandidateRecordBytes = 1024;
// A candidate's ownKey 0 means "not numbered yet", so $MFT (record 0) is
// numbered as $MFTMirr (1) here and listed as record 0 in the catalog.
inline constexpr uint32_t kMftCandidateKey = 1;

struct NtfsFolderCandidate {
  std::u16string name = {};
  char deleted = 'n';
  RecordTimes times = {};
  uint64_t created = 0;  // the standard information's creation time, whole
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;  // 0: not known yet
  uint64_t recordSector = 0;
  uint64_t firstIndexCluster = 0;  // 0: no index allocation
  uint16_t sequence = 0;           // the record's sequence number
  // 0 not yet, -1 its index block was not found, N confirmed file system N.
  int32_t fileSystemNumber = 0;
};

struct NtfsFileCandidate {
  std::u16string name = {};
  char deleted = 'n';
  RecordTimes times = {};
  uint64_t size = 0;
  uint32_t parentKey = 0;
  uint32_t ownKey = 0;  // 0: not known yet
  uint64_t recordSector = 0;
  uint16_t parentSequence = 0;  // what the name expects of its folder's record
  // n for the n-th named stream of the file, 0 for its own data.
  uint8_t stream = 0;
  // Another name or a stream of the record of the entry just before.
  bool sharesRecord = false;
  // A name found in an extension record: ownKey is its base record's number,
  // whose entry gives the rest (where the record lies, its size and times).
  bool fromExtension = false;
  // A base record with an attribute list: some of its streams may lie in its
  // extension records (see SpreadStreams.h).
  bool spread = false;
};

struct IndexBlockRef {
  uint64_t sector = 0;
  uint32_t directoryNumber = 0;
  uint32_t vcn = 0;
  bool used = false;  // a first block that a confirmed file system accounted for
};

// Where a record that states its number (NTFS 3.1, offset 44) lies.
struct RecordPlace {
  uint32_t number = 0;
  uint64_t sector = 0;
};

struct NtfsBootCandidate {
  uint64_t sector = 0;
  uint32_t sectorsPerCluster = 0;
  uint64_t totalSectors = 0;
};

struct NtfsCandidates {
  std::vector<NtfsFolderCandidate> folders;
  std::vector<NtfsFileCandidate> files;
  std::vector<IndexBlockRef> blocks;
  std::vector<NtfsBootCandidate> boots;
  std::vector<RecordPlace> places;  // every record, extension records too
  // The size of the unnamed data held by an extension record, by the number of
  // its base record (a base record whose data moved out lists no size), until
  // TakeExtensionSizes gives it to that record.
  std::vector<std::pair<uint32_t, uint64_t>> extensionSizes;
};

// Reads `count` sectors from `first` into `buffer`.
using SectorsRead = std::function<void(uint64_t first, uint32_t count, uint8_t* buffer)>;

// Notes sector `number` when it begins a file record, an index block or (with
// `bootSectors`) is an NTFS boot sector. `record` holds the 1024 bytes from the
// sector on (what lies past the read run is fetched by the caller).
void NoteNtfsSector(ByteView sector, uint64_t number, const uint8_t* record, bool bootSectors,
                    NtfsCandidates& candidates);

// The records found in [start, end) as the runs of an MFT: record N where it
// was seen, runs joined where records follow one another on the disk, and
// sparse runs where none was seen. Through it the saver finds the extension
// records that a file's attribute list names when the MFT itself is gone.
MftRunTable RecordMapOf(const NtfsCandidates& candidates, uint64_t start, uint64_t end);

// Step 2: folders still without a number take the one that an entry of an index
// block gives for their name, parent and creation time.
void NumberFoldersFromIndexBlocks(NtfsCandidates& candidates, const SectorsRead& read, WorkerHost& host);
// Step 3: records still without a number take the running number of the records
// in disk order.
void NumberRecordsByDiskOrder(NtfsCandidates& candidates, WorkerHost& host);
// Then each file whose data moved to an extension record takes that size, and
// the sizes are let go.
void TakeExtensionSizes(NtfsCandidates& candidates);

// A file system supposed to start at `start` with `sectorsPerCluster`: the
// folders recorded in (start, end] without a file system whose first index
// cluster holds their own index block become file system `number`. True when
// any did.
bool ConfirmFileSystem(NtfsCandidates& candidates, const SectorsRead& read, uint64_t start,
                       uint32_t sectorsPerCluster, uint64_t end, int32_t number, WorkerHost& host);

struct NtfsFound {
  uint64_t start = 0;
  uint64_t end = 0;
  uint32_t sectorsPerCluster = 0;
};
// Step 4.2: file systems whose start and cluster size two folders' first index
// blocks imply, each confirmed; numbered from `firstNumber`. Afterwards every
// folder without a file system takes the one of the folder before it.
std::vector<NtfsFound> FindFileSystemsFromFolderPairs(NtfsCandidates& candidates, const SectorsRead& read,
                                                      uint64_t end, int32_t firstNumber, WorkerHost& host);

}  // namespace vantor
