#include "lost/NtfsCandidates.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "core/Sector.h"
#include "core/ProgressReport.h"
#include "core/WorkerHost.h"
#include "ntfs/DataAttribute.h"
#include "ntfs/FileName.h"
#include "ntfs/IndexDecoders.h"
#include "ntfs/NtfsRecord.h"
#include "ntfs/UpdateSequence.h"
#include "partition/BootValues.h"

namespace vantor {
namespace {

constexpr unsigned kClusterShifts = 8;
constexpr uint32_t kIndexReadSectors = 8;
constexpr uint64_t kLargestIndexBlock = 65536;
constexpr uint32_t kDirectoryAttribute = 0x10000000;

// The system files' numbers by name ("$MFT" see kMftCandidateKey).
uint32_t SystemFileNumber(const std::u16string& name) {
  static const std::pair<const char16_t*, uint32_t> kFiles[] = {
      {u"$MFT", kMftCandidateKey}, {u"$MFTMirr", 1}, {u"$LogFile", 2}, {u"$Volume", 3}, {u"$AttrDef", 4},
      {u"$Bitmap", 6}, {u"$Boot", 7}, {u"$BadClus", 8}, {u"$Secure", 9}, {u"$UpCase", 10}};
  for (const auto& [file, number] : kFiles)
    if (name == file) return number;
  return 0;
}

bool HasAttributeList(ByteView record) {
  bool found = false;
  ForEachAttribute(record, [&](const AttributeHeader& attribute) {
    found = attribute.type == kAttributeList;
    return !found;
  });
  return found;
}

// An index block read whole, its update sequence restored; empty when its size
// is out of range.
std::vector<uint8_t> ReadIndexBlock(const SectorsRead& read, uint64_t sector) {
  std::vector<uint8_t> block(kIndexReadSectors * kSectorSize, 0);
  read(sector, kIndexReadSectors, block.data());
  const uint64_t allocated = ByteView(block.data(), block.size()).le32(32);
  const uint64_t size = (allocated + 24) / kSectorSize * kSectorSize;
  if (allocated + 24 > kLargestIndexBlock || allocated == 0xFFFFFFE8 || size == 0) return {};
  if (size > block.size()) {
    block.assign(size, 0);
    read(sector, static_cast<uint32_t>(size / kSectorSize), block.data());
  }
  block.resize(size);
  RestoreUpdateSequence(block.data(), block.size());
  return block;
}

struct IndexEntryName {
  uint32_t record = 0;
  uint32_t parent = 0;
  uint64_t created = 0;
  std::u16string name;
};

// The folder entries of an index block, as far as they lie inside it.
std::vector<IndexEntryName> FolderEntries(ByteView block) {
  std::vector<IndexEntryName> entries;
  for (uint64_t at = 24 + uint64_t{block.le32(24)}; at + 80 <= block.size();) {
    const uint64_t key = at + 16;
    const uint32_t length = block.le16(at + 8);
    if ((block.le32(key + 56) & kDirectoryAttribute) != 0) {
      const uint8_t nameLength = block.u8(key + 64);
      if (nameLength == 0 || !block.has(key + 66, size_t{nameLength} * 2) || !block.has(at, 76)) break;
      IndexEntryName entry{block.le32(at), block.le32(key), block.le64(key + 8), {}};
      for (unsigned i = 0; i < nameLength; ++i) entry.name += static_cast<char16_t>(block.le16(key + 66 + 2 * i));
      entries.push_back(std::move(entry));
    }
    if (length == 0) break;
    at += length;
  }
  return entries;
}

}  // namespace

void NoteNtfsSector(ByteView sector, uint64_t number, const uint8_t* record, bool bootSectors,
                    NtfsCandidates& candidates) {
  if (sector.matches(0, "FILE")) {
    if (sector.le32(28) != kNtfsCandidateRecordBytes) return;
    std::array<uint8_t, kNtfsCandidateRecordBytes> copy;
    std::copy(record, record + copy.size(), copy.begin());
    RestoreUpdateSequence(copy.data(), copy.size());
    const ByteView view(copy.data(), copy.size());
    FileNameValue name;
    StandardTimes times;
    PickFileName(view, WalkVariant::kExhaustiveScan, name, times);
    const uint8_t flags = RecordFlags(view);
    const uint32_t stated = StatedRecordNumber(view);
    if (stated != 0) candidates.places.push_back({stated, number});
    // By bits: a record of an index view ($Extend/$Deleted, 0x07) is a folder too.
    const char deleted = (flags & kRecordInUse) == 0 ? 'y' : 'n';
    if ((flags & kRecordIsFolder) != 0) {
      candidates.folders.push_back({.name = std::move(name.name),
                                    .deleted = deleted,
                                    .times = CatalogTimes(times),
                                    .created = times.creation,
                                    .parentKey = name.parentNumber,
                                    .ownKey = stated != 0 ? stated : IndexRootDirectoryNumber(view),
                                    .recordSector = number,
                                    .firstIndexCluster = FirstIndexCluster(view),
                                    .sequence = RecordSequence(view)});
    } else if (const uint32_t base = BaseRecordNumber(view); base != 0) {
      // An extension record: what it holds belongs to its base record.
      uint64_t size = 0;
      if (UnnamedDataSize(view, WalkVariant::kExhaustiveScan, size) && size != 0)
        candidates.extensionSizes.emplace_back(base, size);
      std::vector<FileNameValue> names;
      CollectFileNames(view, WalkVariant::kExhaustiveScan, names, times);
      for (const FileNameValue& link : NamesToList(names))
        candidates.files.push_back({.name = link.name,
                                    .deleted = deleted,
                                    .parentKey = link.parentNumber,
                                    .ownKey = base,
                                    .recordSector = number,
                                    .parentSequence = link.parentSequence,
                                    .fromExtension = true});
    } else if (const bool spread = HasAttributeList(view); !name.name.empty() || spread) {
      // A record without a name was never used, unless its names lie in its
      // extension records: it is then kept, nameless, for those to find.
      uint64_t size = 0;
      UnnamedDataSize(view, WalkVariant::kExhaustiveScan, size);
      const uint32_t system = SystemFileNumber(name.name);
      const NtfsFileCandidate file{.name = {},
                                   .deleted = deleted,
                                   .times = CatalogTimes(times),
                                   .size = size,
                                   .parentKey = name.parentNumber,
                                   .ownKey = system != 0 ? system : stated,
                                   .recordSector = number,
                                   .spread = spread};
      // Each name of the record (hard links, as the scan lists them), each
      // followed by the record's named streams ($BadClus:$Bad, the size of
      // the volume, is no one's data).
      const std::vector<NamedStream> streams =
          file.ownKey != kBadClustersRecord ? NamedStreams(view) : std::vector<NamedStream>();
      std::vector<FileNameValue> names;
      CollectFileNames(view, WalkVariant::kExhaustiveScan, names, times);
      std::vector<FileNameValue> links = NamesToList(names);
      if (links.empty()) links.emplace_back();
      for (size_t i = 0; i < links.size(); ++i) {
        NtfsFileCandidate named = file;
        named.name = links[i].name;
        named.parentKey = links[i].parentNumber;
        named.parentSequence = links[i].parentSequence;
        named.sharesRecord = i > 0;
        candidates.files.push_back(named);
        if (named.name.empty()) break;  // streams are listed beside a name
        uint8_t ordinal = 0;
        for (const NamedStream& stream : streams) {
          NtfsFileCandidate part = named;
          part.name = named.name + u':' + stream.name;
          part.size = stream.size;
          part.stream = ++ordinal;
          part.sharesRecord = true;
          candidates.files.push_back(std::move(part));
        }
      }
    }
    return;
  }
  if (sector.matches(0, "INDX")) {
    IndexBlockHeader header;
    if (ReadIndexBlockHeader(sector, header)) candidates.blocks.push_back({number, header.directoryNumber, header.vcn});
    return;
  }
  if (bootSectors && HasBootMark(sector) && sector.matches(3, "NTFS")) {
    const uint32_t perCluster = sector.u8(13);
    const uint64_t total = sector.le64(40);
    if (!IsClusterSize(perCluster)) return;
    candidates.boots.push_back({number, perCluster, total});
    // The backup copy lies in the sector after those the volume counts: it
    // stands for a boot sector that is gone (a volume found twice is one).
    if (total != 0 && number >= total) candidates.boots.push_back({number - total, perCluster, total});
  }
}

MftRunTable RecordMapOf(const NtfsCandidates& candidates, uint64_t start, uint64_t end) {
  constexpr uint32_t kRecordSectors = kNtfsCandidateRecordBytes / 512;
  std::vector<RecordPlace> places;
  for (const RecordPlace& place : candidates.places)
    if (place.sector >= start && place.sector < end) places.push_back(place);
  // A number seen twice (the mirror's copies of the first records, an older
  // MFT) keeps the copy nearest the start.
  std::sort(places.begin(), places.end(), [](const RecordPlace& a, const RecordPlace& b) {
    return a.number != b.number ? a.number < b.number : a.sector < b.sector;
  });
  std::vector<DataRun> runs;
  uint64_t next = 0;  // the first record number not mapped yet
  for (const RecordPlace& place : places) {
    if (place.number < next) continue;
    if (place.number > next) runs.push_back({0, (place.number - next) * uint64_t{kRecordSectors}, true});
    DataRun* last = runs.empty() ? nullptr : &runs.back();
    if (last != nullptr && !last->sparse && last->firstSector + last->sectorCount == place.sector)
      last->sectorCount += kRecordSectors;
    else
      runs.push_back({place.sector, kRecordSectors, false});
    next = uint64_t{place.number} + 1;
  }
  MftRunTable table;
  table.setRecordSectors(kRecordSectors);
  for (const DataRun& run : runs)
    if (!table.Append(run)) break;
  return table;
}

void NumberFoldersFromIndexBlocks(NtfsCandidates& candidates, const SectorsRead& read, WorkerHost& host) {
  // The unnumbered folders by what an index entry says of them.
  using Key = std::tuple<uint32_t, uint64_t, std::u16string>;
  std::map<Key, std::vector<size_t>> waiting;
  for (size_t i = 0; i < candidates.folders.size(); ++i) {
    const NtfsFolderCandidate& f = candidates.folders[i];
    if (f.ownKey == 0) waiting[{f.parentKey, f.created, f.name}].push_back(i);
  }
  if (waiting.empty()) return;
  for (size_t b = 0; b < candidates.blocks.size(); ++b) {
    host.pauseGate();
    if (host.stopRequested()) return;
    const std::vector<uint8_t> block = ReadIndexBlock(read, candidates.blocks[b].sector);
    for (IndexEntryName& entry : FolderEntries(ByteView(block.data(), block.size()))) {
      auto found = waiting.find({entry.parent, entry.created, entry.name});
      if (found == waiting.end()) continue;
      for (size_t i : found->second) {
        if (candidates.folders[i].ownKey != 0) continue;
        candidates.folders[i].ownKey = entry.record;
        break;
      }
    }
    host.setProgress(ProgressPercent(b + 1, candidates.blocks.size()));
  }
}

void NumberRecordsByDiskOrder(NtfsCandidates& candidates, WorkerHost& host) {
  auto& folders = candidates.folders;
  auto& files = candidates.files;
  if (files.empty()) return;
  const uint64_t total = folders.size() + files.size() + candidates.blocks.size();
  uint32_t running = 0;
  uint64_t taken = 0;
  for (size_t f = 0, d = 0; f < files.size() && d < folders.size(); ++taken) {
    // A name of an extension record carries its base record's number.
    if (files[f].fromExtension) {
      ++f;
      continue;
    }
    // Another name or a stream of the record just before shares its number.
    if (files[f].sharesRecord && f > 0) {
      files[f].ownKey = files[f - 1].ownKey;
      ++f;
      continue;
    }
    ++running;
    uint32_t& key = files[f].recordSector < folders[d].recordSector ? files[f++].ownKey : folders[d++].ownKey;
    if (key != 0 && key != UINT32_MAX)
      running = key;
    else
      key = running;
    if (taken % 1024 == 0) host.setProgress(ProgressPercent(taken, total));
  }
}

void TakeExtensionSizes(NtfsCandidates& candidates) {
  std::unordered_map<uint32_t, uint64_t> sizes(candidates.extensionSizes.begin(), candidates.extensionSizes.end());
  candidates.extensionSizes = {};
  if (sizes.empty()) return;
  for (NtfsFileCandidate& file : candidates.files)
    if (file.size == 0 && file.stream == 0 && !file.fromExtension)
      if (const auto moved = sizes.find(file.ownKey); moved != sizes.end()) file.size = moved->second;
}

bool ConfirmFileSystem(NtfsCandidates& candidates, const SectorsRead& read, uint64_t start,
                       uint32_t sectorsPerCluster, uint64_t end, int32_t number, WorkerHost& host) {
  std::unordered_map<uint64_t, size_t> firstBlockAt;
  for (size_t b = 0; b < candidates.blocks.size(); ++b)
    if (candidates.blocks[b].vcn == 0) firstBlockAt.emplace(candidates.blocks[b].sector, b);
  bool confirmed = false;
  SectorBytes sector{};
  for (size_t i = 0; i < candidates.folders.size(); ++i) {
    NtfsFolderCandidate& folder = candidates.folders[i];
    if (folder.recordSector <= start || folder.recordSector > end || folder.fileSystemNumber != 0 ||
        folder.firstIndexCluster == 0)
      continue;
    const uint64_t at = start + uint64_t{sectorsPerCluster} * folder.firstIndexCluster;
    // A block is the first of one folder only: one already taken belongs to a
    // file system laid out like this one, earlier on the disk.
    const auto known = firstBlockAt.find(at);
    if (known != firstBlockAt.end() && candidates.blocks[known->second].used) continue;
    sector.fill(0);
    read(at, 1, sector.data());
    IndexBlockHeader header;
    if (ReadIndexBlockHeader(ByteView(sector.data(), sector.size()), header) && header.directoryNumber == folder.ownKey) {
      folder.fileSystemNumber = number;
      confirmed = true;
      if (known != firstBlockAt.end()) candidates.blocks[known->second].used = true;
    }
    if (i % 256 == 0) host.setProgress(ProgressPercent(i + 1, candidates.folders.size()));
  }
  return confirmed;
}

std::vector<NtfsFound> FindFileSystemsFromFolderPairs(NtfsCandidates& candidates, const SectorsRead& read,
                                                      uint64_t end, int32_t firstNumber, WorkerHost& host) {
  auto& folders = candidates.folders;
  // Each folder's first index block: the first unused block with vcn 0 that
  // names it. And the folders with one by the start each cluster size implies:
  // (start, position), sorted, one array per cluster size. A file system
  // confirmed takes its blocks, so the index is made again after each.
  std::unordered_map<uint32_t, uint64_t> firstBlockOf;
  std::array<std::vector<std::pair<int64_t, uint32_t>>, kClusterShifts> byStart;
  const auto blockOf = [&](const NtfsFolderCandidate& f) -> int64_t {
    if (f.firstIndexCluster == 0) return -1;
    auto found = firstBlockOf.find(f.ownKey);
    return found == firstBlockOf.end() ? -1 : static_cast<int64_t>(found->second);
  };
  const auto index = [&] {
    firstBlockOf.clear();
    for (const IndexBlockRef& block : candidates.blocks)
      if (block.vcn == 0 && !block.used) firstBlockOf.emplace(block.directoryNumber, block.sector);
    for (auto& keys : byStart) keys.clear();
    for (uint32_t p = 0; p < folders.size(); ++p) {
      const int64_t sector = blockOf(folders[p]);
      if (sector < 0 || folders[p].fileSystemNumber != 0) continue;
      for (unsigned shift = 0; shift < kClusterShifts; ++shift)
        byStart[shift].emplace_back(sector - static_cast<int64_t>(folders[p].firstIndexCluster << shift), p);
    }
    for (auto& keys : byStart) std::sort(keys.begin(), keys.end());
  };
  index();

  std::vector<NtfsFound> found;
  std::set<std::pair<int64_t, uint32_t>> tried;
  for (uint32_t p = 0; p < folders.size(); ++p) {
    host.pauseGate();
    if (host.stopRequested()) break;
    NtfsFolderCandidate& first = folders[p];
    host.setProgress(ProgressPercent(p + 1, folders.size()));
    if (first.fileSystemNumber != 0) continue;
    const int64_t s1 = blockOf(first);
    if (s1 < 0) {
      first.fileSystemNumber = -1;
      continue;
    }
    // The later folders that agree with this one on a start, in list order.
    std::vector<std::pair<uint32_t, unsigned>> partners;
    for (unsigned shift = 0; shift < kClusterShifts; ++shift) {
      const int64_t start = s1 - static_cast<int64_t>(first.firstIndexCluster << shift);
      if (start < 0) continue;
      const auto& keys = byStart[shift];
      for (auto it = std::upper_bound(keys.begin(), keys.end(), std::make_pair(start, p)); it != keys.end() && it->first == start; ++it) {
        const NtfsFolderCandidate& q = folders[it->second];
        if (q.fileSystemNumber == 0 && q.firstIndexCluster != first.firstIndexCluster && blockOf(q) != s1) {
          partners.emplace_back(it->second, shift);
          break;
        }
      }
    }
    std::sort(partners.begin(), partners.end());
    for (const auto& [q, shift] : partners) {
      const int64_t start = s1 - static_cast<int64_t>(first.firstIndexCluster << shift);
      if (!tried.insert({start, shift}).second) continue;
      const int32_t number = firstNumber + static_cast<int32_t>(found.size());
      host.setStepText("Step 4.2/5 :- Analysing File System. Please Wait...    File System Enumerated :- " +
                       std::to_string(number - 1));
      if (ConfirmFileSystem(candidates, read, static_cast<uint64_t>(start), 1u << shift, end, number, host)) {
        found.push_back({static_cast<uint64_t>(start), end, 1u << shift});
        index();
        host.setStepText("Step 4.2/5 :- Analysing File System. Please Wait...    File System Enumerated :- " +
                         std::to_string(number));
        break;
      }
    }
  }
  int32_t previous = 1;
  for (NtfsFolderCandidate& folder : folders) {
    if (folder.fileSystemNumber <= 0) folder.fileSystemNumber = previous;
    previous = folder.fileSystemNumber;
  }
  return found;
}

}  // namespace vantor
