#include "state/SearchState.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>

#include "core/ProgressReport.h"
#include "logs/Logs.h"
#include "partition/PartitionPanel.h"
#include "platform/Folders.h"
#include "platform/OutputFolder.h"
#include "platform/Utf.h"
#include "state/StateStream.h"

// The layout, all little-endian:
//
// Header: the product name in UTF-16 with its 0 unit (14 bytes); the source
// identity (32-bit count, UTF-16); for a virtual disk its size, type and
// overhead texts (likewise); the device index, the drive letter (0), the device
// index again and the partition number counted from 0 (8 bits each); the file
// system name and the Step 1 item (8-bit count, UTF-16); start and end sector
// (64 bits each); the twelve volume values (32 bits each), then the same twelve
// again; the file system name again; exhaustiveSwitch, partitionSearch,
// searchPass and selectedFileSystem (32 bits each); with partitionSearch, the
// count of file systems found and a 68-byte entry each: end and start sector
// (64), sectors per cluster (32), seven FAT values (32: sectors per FAT, root
// sectors, reserved sectors, root, cluster base, first and second FAT), the
// name in UTF-16 with its 0 in a 20-byte field.
//
// ".ST2C" with partitionSearch: the NTFS folder candidates (count, then 49
// fixed bytes, the name, and an empty 8-bit name each) and the file candidates
// (count, then 53 fixed bytes, the name, an empty 8-bit name each; the two
// 32-bit fields after the creation time and after the record sector say how
// the candidate stands to its record and what its name expects of its
// folder's sequence, 0 in states of old).
//
// Then the catalog: folders (count, then 50 fixed bytes and two names each)
// and files (count, then 54 fixed bytes and two names each). A record's long
// name has an 8-bit count of UTF-16 units, its short name an 8-bit count of
// bytes; the one it does not have is a count of 0.
//
// Record sectors and the volume values are 32-bit in the file: a state whose
// values do not fit is refused, never cut.

namespace vantor {
namespace {

constexpr size_t kMagicBytes = 14;
constexpr size_t kFoundEntryBytes = 68;
constexpr size_t kFoundNameBytes = 20;
constexpr uint64_t kFolderCandidateBytes = 49 + 2;
constexpr uint64_t kFileCandidateBytes = 53 + 2;
constexpr uint64_t kFolderRecordBytes = 50 + 2;
constexpr uint64_t kFileRecordBytes = 54 + 2;
constexpr size_t kMaxNameUnits = 255;
// A negative cluster base (a FAT data area that begins within the first two
// clusters, at most 256 sectors before cluster 2) is kept as its low 32 bits;
// values this high are read back as negative.
constexpr uint32_t kNegativeBaseFrom = 0xFFFFFF00u;

std::string UpperFileName(const std::string& typed) {
  const size_t slash = typed.rfind('/');
  std::string path = typed;
  for (size_t i = slash == std::string::npos ? 0 : slash + 1; i < path.size(); ++i)
    path[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[i])));
  return path;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::u16string LastUnits(std::u16string_view text) {
  return std::u16string(text.substr(text.size() - std::min(text.size(), kMaxNameUnits)));
}

// The writing side: every 64-bit value bound for a 32-bit field goes through
// U32 or Base, which remember the first that does not fit (and names too long).
class Saver {
 public:
  explicit Saver(StateWriter& out) : out_(out) {}

  void U32(uint64_t value, const char* what) {
    if (value > std::numeric_limits<uint32_t>::max()) Refuse(value, what);
    out_.U32(static_cast<uint32_t>(value));
  }
  void Base(int64_t value) {
    const bool fits = value < 0 ? value >= -256 : value < int64_t{kNegativeBaseFrom};
    if (!fits) Refuse(static_cast<uint64_t>(value), "cluster base");
    out_.U32(static_cast<uint32_t>(value));
  }
  void Time(const RecordTime& time) {
    out_.U32(time.first);
    out_.U32(time.second);
  }
  void Name(std::u16string_view name) {
    if (name.size() > kMaxNameUnits) {
      if (problem_.empty()) problem_ = "The state cannot be saved: the name " + Utf16ToUtf8(name) +
                                       " is longer than 255 characters";
      name = name.substr(0, kMaxNameUnits);
    }
    out_.ShortText(name);
  }
  void Geometry(const VolumeGeometry& g) {
    U32(g.sectorsPerFat, "sectors per FAT");
    U32(g.sectorsPerCluster, "sectors per cluster");
    U32(g.rootDirSectors, "root sectors");
    U32(g.rootStart, "root");
    U32(g.reservedSectors, "reserved sectors");
    Base(g.clusterBase);
    U32(g.firstFatSector, "first FAT sector");
    U32(g.secondFatSector, "second FAT sector");
    U32(g.mftSector, "MFT sector");
    U32(g.mftMirrorSector, "MFT mirror sector");
    U32(g.sectorsPerMftRecord, "sectors per MFT record");
    U32(g.sectorsPerIndexRecord, "sectors per index record");
  }

  StateWriter& out() { return out_; }
  const std::string& problem() const { return problem_; }

 private:
  void Refuse(uint64_t value, const char* what) {
    if (problem_.empty())
      problem_ = "The state cannot be saved: its " + std::string(what) + " " + std::to_string(value) +
                 " does not fit the file's 32-bit field (the source is larger than 2 TiB)";
  }

  StateWriter& out_;
  std::string problem_;
};

uint8_t PartitionNumber(const std::u16string& selectedPartitionText) {
  const std::string text = Utf16ToUtf8(selectedPartitionText);
  const std::string prefix = "Partition - ";
  if (text.rfind(prefix, 0) != 0) return 0;
  const unsigned long number = std::strtoul(text.c_str() + prefix.size(), nullptr, 10);
  return static_cast<uint8_t>(number == 0 ? 0 : std::min<unsigned long>(number - 1, 255));
}

void WriteHeader(Saver& save, const StateSource& source, const RecoveryState& state, const LostSearchLists& lists) {
  StateWriter& out = save.out();
  out.FixedText("Vantor", kMagicBytes);
  out.LongText(source.identity);
  if (source.virtualDisk) {
    out.LongText(source.sizeText);
    out.LongText(source.typeText);
    out.LongText(source.overHeadText);
  }
  const auto device = static_cast<uint8_t>(state.deviceIndex);
  out.U8(device);
  out.U8(0);  // no drive letters here
  out.U8(device);
  out.U8(PartitionNumber(state.selectedPartitionText));
  save.Name(state.fileSystemName);
  out.ShortText(LastUnits(state.selectedItemText));
  out.U64(state.startSector);
  out.U64(state.endSector);
  save.Geometry(state.geometry);
  save.Geometry(state.geometry);
  save.Name(state.fileSystemName);
  for (int32_t flag : {state.exhaustiveSwitch, state.partitionSearch, state.searchPass, state.selectedFileSystem})
    out.U32(static_cast<uint32_t>(flag));
  if (state.partitionSearch != 1) return;
  out.U32(static_cast<uint32_t>(lists.found.size()));
  for (const FoundFileSystem& found : lists.found) {
    out.U64(found.endSector);
    out.U64(found.startSector);
    out.U32(found.sectorsPerCluster);
    save.U32(found.sectorsPerFat, "sectors per FAT");
    save.U32(found.rootDirSectors, "root sectors");
    save.U32(found.reservedSectors, "reserved sectors");
    save.U32(found.root, "root");
    save.Base(found.clusterBase);
    save.U32(found.firstFatSector, "first FAT sector");
    save.U32(found.secondFatSector, "second FAT sector");
    out.FixedText(found.name, kFoundNameBytes);
  }
}

// How a file candidate stands to its record, in a field that states of old
// left 0: its stream (bits 0-7), another name or stream of the record before
// (bit 8), a name of an extension record (bit 9).
constexpr uint32_t kSharesRecordBit = 1u << 8;
constexpr uint32_t kFromExtensionBit = 1u << 9;

uint32_t CandidateLinks(const NtfsFileCandidate& f) {
  return f.stream | (f.sharesRecord ? kSharesRecordBit : 0) | (f.fromExtension ? kFromExtensionBit : 0);
}

void TakeCandidateLinks(uint32_t links, NtfsFileCandidate& f) {
  f.stream = static_cast<uint8_t>(links);
  f.sharesRecord = (links & kSharesRecordBit) != 0;
  f.fromExtension = (links & kFromExtensionBit) != 0;
}

void WriteCandidates(Saver& save, const NtfsCandidates& candidates) {
  StateWriter& out = save.out();
  out.U32(static_cast<uint32_t>(candidates.folders.size()));
  for (const NtfsFolderCandidate& f : candidates.folders) {
    save.Time(f.times.accessed);
    save.Time(f.times.created);
    out.U32(static_cast<uint32_t>(f.fileSystemNumber));
    save.Time(f.times.modified);
    save.U32(f.firstIndexCluster, "first index cluster");
    out.U32(f.parentKey);
    save.U32(f.recordSector, "record sector");
    save.U32(f.firstIndexCluster, "first index cluster");
    out.U32(f.ownKey);
    out.U8(static_cast<uint8_t>(f.deleted));
    save.Name(f.name);
    out.U8(0);
  }
  out.U32(static_cast<uint32_t>(candidates.files.size()));
  for (const NtfsFileCandidate& f : candidates.files) {
    save.Time(f.times.accessed);
    save.Time(f.times.created);
    out.U32(CandidateLinks(f));
    save.Time(f.times.modified);
    out.U64(f.size);
    out.U32(f.parentKey);
    save.U32(f.recordSector, "record sector");
    out.U32(f.parentSequence);
    out.U32(f.ownKey);
    out.U8(static_cast<uint8_t>(f.deleted));
    save.Name(f.name);
    out.U8(0);
  }
}

// A catalog folder entry, from a record or from a FAT search's folder.
struct FolderEntry {
  RecordTimes times = {};
  int16_t fileSystemNumber = 0;
  char selected = 'n';
  uint32_t parentKey = 0;
  uint64_t recordSector = 0;
  uint32_t ownKey = 0;
  char kind = 'D';
  char deleted = 'n';
  std::u16string longName = {};
  std::string shortName = {};
};

void WriteNames(Saver& save, const RecordName& name) {
  save.Name(name.isShort() ? std::u16string() : name.longName());
  save.out().ShortBytes(name.isShort() ? name.shortName() : std::string());
}

void WriteFolder(Saver& save, const FolderEntry& f) {
  StateWriter& out = save.out();
  out.U32(0);  // the browser's node: made anew on loading
  save.Time(f.times.accessed);
  save.Time(f.times.created);
  for (int copy = 0; copy < 2; ++copy) {
    if (copy == 1) {
      save.Time(f.times.modified);
      out.U32(f.parentKey);
      save.U32(f.recordSector, "record sector");
    }
    out.U16(static_cast<uint16_t>(f.fileSystemNumber));
    out.U8(static_cast<uint8_t>(f.selected));
    out.U8(0);
  }
  out.U32(f.ownKey);
  out.U8(static_cast<uint8_t>(f.kind));
  out.U8(static_cast<uint8_t>(f.deleted));
  save.Name(f.longName);
  out.ShortBytes(f.shortName);
}

// A FAT search keeps its folders as candidates, not records: a ".ST2C" of one
// carries them as the catalog's folders, without names, and no files.
void WriteFatFolders(Saver& save, const std::vector<FatFolderCandidate>& folders) {
  save.out().U32(static_cast<uint32_t>(folders.size()));
  for (const FatFolderCandidate& f : folders)
    WriteFolder(save, {.times = f.times,
                       .fileSystemNumber = static_cast<int16_t>(f.fileSystemNumber),
                       .parentKey = f.parentCluster,
                       .recordSector = f.sector,
                       .ownKey = f.ownCluster,
                       .deleted = f.deleted});
  save.out().U32(0);
}

void WriteCatalog(Saver& save, const RecoveryCatalog& catalog) {
  StateWriter& out = save.out();
  out.U32(static_cast<uint32_t>(catalog.folders().size()));
  for (const FolderRecord& f : catalog.folders())
    WriteFolder(save, {.times = {f.modified, f.created, f.accessed},
                       .fileSystemNumber = f.fileSystemNumber,
                       .selected = f.selected,
                       .parentKey = f.parentKey,
                       .recordSector = f.recordSector,
                       .ownKey = f.ownKey,
                       .kind = f.kind,
                       .deleted = f.deleted,
                       .longName = f.name.isShort() ? std::u16string() : f.name.longName(),
                       .shortName = f.name.isShort() ? f.name.shortName() : std::string()});
  out.U32(static_cast<uint32_t>(catalog.files().size()));
  for (const FileRecord& f : catalog.files()) {
    save.Time(f.accessed);
    save.Time(f.created);
    out.U32(f.fileNumber);
    save.Time(f.modified);
    out.U32(f.sizeLow);
    out.U32(f.sizeHigh);
    out.U32(f.parentKey);
    save.U32(f.recordSector, "record sector");
    out.U8(static_cast<uint8_t>(f.selected));
    out.Zeros(3);
    out.U32(f.ownKey);
    out.U8(static_cast<uint8_t>(f.kind));
    out.U8(static_cast<uint8_t>(f.deleted));
    WriteNames(save, f.name);
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadTime(StateReader& in, RecordTime& time) { return in.U32(time.first) && in.U32(time.second); }

bool ReadGeometry(StateReader& in, VolumeGeometry& g) {
  uint32_t v[12];
  for (uint32_t& value : v)
    if (!in.U32(value)) return false;
  g = {.sectorsPerFat = v[0], .sectorsPerCluster = v[1], .reservedSectors = v[4], .rootDirSectors = v[2],
       .rootStart = v[3], .firstFatSector = v[6], .secondFatSector = v[7],
       .clusterBase = v[5] >= kNegativeBaseFrom ? int64_t{v[5]} - (int64_t{1} << 32) : int64_t{v[5]},
       .mftSector = v[8], .mftMirrorSector = v[9], .sectorsPerMftRecord = v[10], .sectorsPerIndexRecord = v[11]};
  return true;
}

bool ReadFound(StateReader& in, FoundFileSystem& found) {
  uint32_t v[7];
  if (!in.U64(found.endSector) || !in.U64(found.startSector) || !in.U32(found.sectorsPerCluster)) return false;
  for (uint32_t& value : v)
    if (!in.U32(value)) return false;
  found.sectorsPerFat = v[0];
  found.rootDirSectors = v[1];
  found.reservedSectors = v[2];
  found.root = v[3];
  found.clusterBase = v[4] >= kNegativeBaseFrom ? int64_t{v[4]} - (int64_t{1} << 32) : int64_t{v[4]};
  found.firstFatSector = v[5];
  found.secondFatSector = v[6];
  return in.FixedText(found.name, kFoundNameBytes);
}

char Flag(uint8_t stored, char yes, char no) { return stored == static_cast<uint8_t>(yes) ? yes : no; }

// The state file's length, or -1.
int64_t LengthOf(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  const long length = std::ftell(file);
  return length < 0 || std::fseek(file, 0, SEEK_SET) != 0 ? -1 : length;
}

std::string LoadCandidates(StateReader& in, WorkerHost& host, RecoveryCatalog& catalog, NtfsCandidates& candidates) {
  ProgressReport report;
  uint32_t count = 0;
  if (!in.U32(count) || !in.Holds(count, kFolderCandidateBytes)) return kStateFileErrorText;
  for (uint32_t i = 0; i < count && !host.stopRequested(); ++i) {
    NtfsFolderCandidate f;
    uint32_t number = 0, firstCluster = 0, sector = 0, again = 0;
    uint8_t deleted = 0, none = 0;
    if (!ReadTime(in, f.times.accessed) || !ReadTime(in, f.times.created) || !in.U32(number) ||
        !ReadTime(in, f.times.modified) || !in.U32(firstCluster) || !in.U32(f.parentKey) || !in.U32(sector) ||
        !in.U32(again) || !in.U32(f.ownKey) || !in.U8(deleted) || !in.ShortText(f.name) || !in.U8(none))
      return kStateFileErrorText;
    f.fileSystemNumber = static_cast<int32_t>(number);
    f.firstIndexCluster = firstCluster;
    f.recordSector = sector;
    f.deleted = Flag(deleted, 'y', 'n');
    f.created = (uint64_t{f.times.created.second} << 32) | f.times.created.first;
    report.Report(host, catalog.bytesTotal, static_cast<uint32_t>(candidates.folders.size() + 1), 0, f.name);
    host.setProgress(ProgressPercent(in.position(), in.length()));
    candidates.folders.push_back(std::move(f));
  }
  host.clearStop();
  if (!in.U32(count) || !in.Holds(count, kFileCandidateBytes)) return kStateFileErrorText;
  for (uint32_t i = 0; i < count && !host.stopRequested(); ++i) {
    NtfsFileCandidate f;
    uint32_t sector = 0, links = 0, parentSequence = 0;
    uint8_t deleted = 0, none = 0;
    if (!ReadTime(in, f.times.accessed) || !ReadTime(in, f.times.created) || !in.U32(links) ||
        !ReadTime(in, f.times.modified) || !in.U64(f.size) || !in.U32(f.parentKey) || !in.U32(sector) ||
        !in.U32(parentSequence) || !in.U32(f.ownKey) || !in.U8(deleted) || !in.ShortText(f.name) || !in.U8(none))
      return kStateFileErrorText;
    TakeCandidateLinks(links, f);
    f.parentSequence = static_cast<uint16_t>(parentSequence);
    f.recordSector = sector;
    f.deleted = Flag(deleted, 'y', 'n');
    catalog.bytesTotal += f.size;
    report.Report(host, catalog.bytesTotal, static_cast<uint32_t>(candidates.folders.size()),
                  static_cast<uint32_t>(candidates.files.size() + 1), f.name);
    host.setProgress(ProgressPercent(in.position(), in.length()));
    candidates.files.push_back(std::move(f));
  }
  host.clearStop();
  return {};
}

struct LoadedNames {
  std::u16string longName;
  std::string shortName;
};

bool ReadNames(StateReader& in, LoadedNames& names) { return in.ShortText(names.longName) && in.ShortBytes(names.shortName); }

bool ReadFolder(StateReader& in, FolderEntry& f) {
  uint32_t treeItem = 0, sector = 0;
  uint16_t fileSystem = 0, again = 0;
  uint8_t selected = 0, pad = 0, kind = 0, deleted = 0;
  if (!in.U32(treeItem) || !ReadTime(in, f.times.accessed) || !ReadTime(in, f.times.created) ||
      !in.U16(fileSystem) || !in.U8(selected) || !in.U8(pad) || !ReadTime(in, f.times.modified) ||
      !in.U32(f.parentKey) || !in.U32(sector) || !in.U16(again) || !in.U8(selected) || !in.U8(pad) ||
      !in.U32(f.ownKey) || !in.U8(kind) || !in.U8(deleted) || !in.ShortText(f.longName) || !in.ShortBytes(f.shortName))
    return false;
  f.fileSystemNumber = static_cast<int16_t>(fileSystem);
  f.recordSector = sector;
  f.deleted = Flag(deleted, 'y', 'n');
  return true;
}

std::string LoadFatFolders(StateReader& in, WorkerHost& host, std::vector<FatFolderCandidate>& folders) {
  ProgressReport report;
  FolderEntry f;
  uint32_t count = 0;
  if (!in.U32(count) || !in.Holds(count, kFolderRecordBytes)) return kStateFileErrorText;
  for (uint32_t i = 0; i < count && !host.stopRequested(); ++i) {
    if (!ReadFolder(in, f)) return kStateFileErrorText;
    folders.push_back({.ownCluster = f.ownKey,
                       .parentCluster = f.parentKey,
                       .sector = f.recordSector,
                       .times = f.times,
                       .deleted = f.deleted,
                       .fileSystemNumber = f.fileSystemNumber});
    report.Report(host, 0, static_cast<uint32_t>(folders.size()), 0, u"Dir" + Utf8ToUtf16(std::to_string(i)));
    host.setProgress(ProgressPercent(in.position(), in.length()));
  }
  host.clearStop();
  return {};
}

// The name a record shows: its long name, else its short name widened into
// `shortWide` (a long name is not copied).
const std::u16string& ShownName(const std::u16string& longName, const std::string& shortName,
                                std::u16string& shortWide) {
  if (!longName.empty()) return longName;
  shortWide.clear();
  for (unsigned char c : shortName) shortWide.push_back(c);  // the bytes as Latin-1
  return shortWide;
}

std::string LoadCatalog(StateReader& in, WorkerHost& host, RecoveryCatalog& catalog) {
  ProgressReport report;
  std::u16string shortWide;
  FolderEntry f;
  uint32_t count = 0;
  if (!in.U32(count) || !in.Holds(count, kFolderRecordBytes)) return kStateFileErrorText;
  for (uint32_t i = 0; i < count && !host.stopRequested(); ++i) {
    if (!ReadFolder(in, f)) return kStateFileErrorText;
    if (!catalog.AddFolder({.shortName = f.shortName,
                            .longName = f.longName,
                            .deleted = f.deleted,
                            .parentKey = f.parentKey,
                            .ownKey = f.ownKey,
                            .recordSector = f.recordSector,
                            .times = f.times,
                            .fileSystemNumber = f.fileSystemNumber}))
      return "Out Of Memory";
    report.Report(host, catalog.bytesTotal, catalog.directoriesFound, catalog.filesFound,
                  ShownName(f.longName, f.shortName, shortWide));
    host.setProgress(ProgressPercent(in.position(), in.length()));
  }
  host.clearStop();
  LoadedNames names;
  if (!in.U32(count) || !in.Holds(count, kFileRecordBytes)) return kStateFileErrorText;
  // A file's named streams follow it with its keys and its name and a colon:
  // they take their numbers again from that order.
  const FileRecord* owner = nullptr;
  uint8_t stream = 0;
  for (uint32_t i = 0; i < count && !host.stopRequested(); ++i) {
    RecordTimes times;
    uint32_t fileNumber = 0, sizeLow = 0, sizeHigh = 0, parentKey = 0, sector = 0, ownKey = 0;
    uint8_t selected = 0, kind = 0, deleted = 0;
    if (!ReadTime(in, times.accessed) || !ReadTime(in, times.created) || !in.U32(fileNumber) ||
        !ReadTime(in, times.modified) || !in.U32(sizeLow) || !in.U32(sizeHigh) || !in.U32(parentKey) ||
        !in.U32(sector) || !in.U8(selected) || !in.Skip(3) || !in.U32(ownKey) || !in.U8(kind) || !in.U8(deleted) ||
        !ReadNames(in, names))
      return kStateFileErrorText;
    const bool followsOwner = owner != nullptr && owner->ownKey == ownKey && owner->parentKey == parentKey &&
                              names.longName.size() > owner->name.longName().size() &&
                              names.longName.compare(0, owner->name.longName().size() + 1,
                                                     owner->name.longName() + u":") == 0;
    stream = followsOwner && stream < kMaxStreamsPerFile ? static_cast<uint8_t>(stream + 1) : 0;
    const uint64_t size = (uint64_t{sizeHigh} << 32) | sizeLow;
    if (!catalog.AddFile({.shortName = names.shortName,
                          .longName = names.longName,
                          .deleted = Flag(deleted, 'y', 'n'),
                          .size = size,
                          .parentKey = parentKey,
                          .ownKey = ownKey,
                          .recordSector = sector,
                          .times = times,
                          .stream = stream}))
      return "Out Of Memory";
    if (stream == 0) owner = &catalog.files().back();
    catalog.bytesTotal += size;
    report.Report(host, catalog.bytesTotal, catalog.directoriesFound, catalog.filesFound,
                  ShownName(names.longName, names.shortName, shortWide));
    host.setProgress(ProgressPercent(in.position(), in.length()));
  }
  host.clearStop();
  return {};
}

}  // namespace

StateSource CurrentStateSource(const RecoveryState& state, SectorReader& reader) {
  if (state.vmValid == 1)
    return {state.vmFileName, true, Utf8ToUtf16(reader.virtualDisk.sizeGbText()),
            Utf8ToUtf16(reader.virtualDisk.createType()), Utf8ToUtf16(reader.virtualDisk.overHeadText())};
  const std::u16string& item = state.selectedItemText;
  const size_t slash = item.rfind(u'/');
  return {item.substr(slash == std::u16string::npos ? 0 : slash + 1) + u" (" +
              Utf8ToUtf16(std::to_string(reader.sourceSectors())) + u" sectors)",
          false, {}, {}, {}};
}

std::string StatePath(const std::string& typed, StateKind kind) {
  if (typed.empty()) return {};
  std::string path = UpperFileName(typed);
  const std::string extension = kind == StateKind::kScan ? ".ST4" : ".ST2C";
  return EndsWith(path, extension) ? path : path + extension;
}

bool StateKindOf(const std::string& path, StateKind& kind) {
  const std::string upper = UpperFileName(path);
  if (EndsWith(upper, ".ST4")) {
    kind = StateKind::kScan;
    return true;
  }
  if (EndsWith(upper, ".ST2C")) {
    kind = StateKind::kSearch;
    return true;
  }
  return false;
}

std::string SaveState(const std::string& path, StateKind kind, const StateSource& source, const RecoveryState& state,
                      const LostSearchLists& lists, const RecoveryCatalog& catalog,
                      const std::vector<std::string>& sources) {
  // The state goes into a folder that stands: a name in a missing one is a typing error.
  const std::string folderPath = FolderPart(path);
  struct stat info;
  if (!folderPath.empty() && (::stat(folderPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
    return kStateCreateText;
  std::string name, problem;
  std::unique_ptr<OutputFolder> folder = OpenFolderOf(path, sources, name, problem);
  if (folder == nullptr) return kStateCreateText + std::string(" (") + problem + ")";
  std::unique_ptr<OutputFile> file = folder->create(name, problem);
  if (file == nullptr) return kStateCreateText;
  {
    StateWriter out(*file);
    Saver save(out);
    WriteHeader(save, source, state, lists);
    const bool search = kind == StateKind::kSearch && state.partitionSearch == 1;
    if (search) WriteCandidates(save, lists.ntfs);
    if (search && IsFat(state.fileSystem()))
      WriteFatFolders(save, lists.folders);
    else
      WriteCatalog(save, catalog);
    problem = save.problem();
    if (problem.empty() && !out.Flush()) problem = "The state could not be written to " + path;
  }
  if (problem.empty() && !file->commit(nullptr, true)) problem = "The state could not be written to " + path;
  return problem;
}

std::string LoadStateHeader(const std::string& path, const StateSource& current, RecoveryState& state,
                            LostSearchLists& lists) {
  AppendLogSection(kActivityLog, "Step 2 :", {"Load Log File Path : " + path});
  File file(std::fopen(path.c_str(), "rb"));
  const int64_t length = file ? LengthOf(file.get()) : -1;
  if (length < 0) return kStateOpenText;
  StateReader in(file.get(), static_cast<uint64_t>(length), 0);
  StateSource saved;
  if (!in.Skip(kMagicBytes) || !in.LongText(saved.identity)) return kStateFileErrorText;
  if (saved.identity != current.identity) return kStateWrongDiskText;
  if (current.virtualDisk) {
    saved.virtualDisk = true;
    if (!in.LongText(saved.sizeText) || !in.LongText(saved.typeText) || !in.LongText(saved.overHeadText))
      return kStateFileErrorText;
    if (!(saved == current)) return kStateWrongDiskText;
  }
  uint8_t device = 0, letter = 0, engineDevice = 0, partition = 0;
  std::u16string name, item, engineName;
  VolumeGeometry geometry, working;
  uint64_t start = 0, end = 0;
  uint32_t flags[4] = {};
  if (!in.U8(device) || !in.U8(letter) || !in.U8(engineDevice) || !in.U8(partition) || !in.ShortText(name) ||
      !in.ShortText(item) || !in.U64(start) || !in.U64(end) || !ReadGeometry(in, geometry) ||
      !ReadGeometry(in, working) || !in.ShortText(engineName))
    return kStateFileErrorText;
  for (uint32_t& flag : flags)
    if (!in.U32(flag)) return kStateFileErrorText;
  std::vector<FoundFileSystem> found;
  if (flags[1] == 1) {
    uint32_t count = 0;
    if (!in.U32(count) || !in.Holds(count, kFoundEntryBytes)) return kStateFileErrorText;
    found.resize(count);
    for (FoundFileSystem& entry : found)
      if (!ReadFound(in, entry)) return kStateFileErrorText;
  }
  // The whole header was read: only now does the loaded choice replace the
  // current one. The Step 1 item is the current source's own, which the
  // identity matched.
  state.deviceIndex = device;
  state.fileSystemName = name;
  state.startSector = start;
  state.endSector = end;
  state.geometry = geometry;
  state.bootValuesValid = 1;
  state.exhaustiveSwitch = static_cast<int32_t>(flags[0]);
  state.partitionSearch = static_cast<int32_t>(flags[1]);
  state.searchPass = 0;
  state.selectedFileSystem = static_cast<int32_t>(flags[3]);
  const std::string fileSystem = Utf16ToUtf8(name);
  const PartitionEntry entry{fileSystem, "Partition - " + std::to_string(partition + 1) + " ( " + fileSystem + " )",
                             start, end, {}};
  state.selectedPartitionText = Utf8ToUtf16(entry.treeText);
  lists.Clear();
  lists.found = std::move(found);
  state.stateFilePath = path;
  state.stateListsOffset = in.position();
  state.stateLoaded = 1;
  for (const std::string& line : Step2LogLines(entry, state.partitionSearch == 1)) AppendLog(kActivityLog, line);
  return {};
}

std::string LoadStateLists(RecoveryState& state, WorkerHost& host, RecoveryCatalog& catalog, LostSearchLists& lists) {
  StateKind kind = StateKind::kScan;
  StateKindOf(state.stateFilePath, kind);
  File file(std::fopen(state.stateFilePath.c_str(), "rb"));
  const int64_t length = file ? LengthOf(file.get()) : -1;
  if (length < 0) return kStateOpenText;
  StateReader in(file.get(), static_cast<uint64_t>(length), state.stateListsOffset);
  host.setProgressRange(100);
  catalog.FreeCatalog();
  if (kind == StateKind::kSearch) {
    lists.ntfs = {};
    lists.folders.clear();
    std::string problem = LoadCandidates(in, host, catalog, lists.ntfs);
    if (problem.empty() && IsFat(state.fileSystem())) problem = LoadFatFolders(in, host, lists.folders);
    state.stateLoaded = 0;
    return problem;
  }
  return LoadCatalog(in, host, catalog);
}

}  // namespace vantor
