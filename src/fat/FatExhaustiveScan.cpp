#include "fat/FatExhaustiveScan.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/AlignedBuffer.h"
#include "core/ProgressReport.h"
#include "fat/FatDirectoryReader.h"
#include "fat/OldFolderEntries.h"
#include "partition/BootValues.h"

namespace vantor {
namespace {

// The cluster search reads the data area in runs of 256 KiB (whole clusters) and
// looks at the first sector of each cluster in place. A run that outgrows the
// processor's cache makes the kernel's copy of it the slowest part of the scan.
constexpr uint64_t kRunSectors = 512;
constexpr int kCaptionSizeLabel = 1052;


class ExhaustiveScan {
 public:
  explicit ExhaustiveScan(const ScanContext& context)
      : reader_(context.reader),
        host_(context.host),
        catalog_(context.catalog),
        state_(context.state),
        directories_(context.reader, context.host, context.state.geometry, context.state.fileSystem(),
                     context.state.oemCodePage),
        number_(static_cast<int16_t>(context.state.partitionSearch == 1 ? context.state.selectedFileSystem : 0)) {}

  FatScanResult Run() {
    host_.setProgressRange(100);
    if (state_.partitionSearch != 1) {
      SearchClusters();
      HangLostFolders();
    }
    if (directories_.usable()) {
      ListRoot();
      ListFolders();
      ListLooseClusters();
      if (!catalog_.outOfMemory) oldFolders_.AddTo(catalog_, number_);
    }
    host_.setProgress(100);
    if (catalog_.outOfMemory) {
      host_.messageInfo("Out Of Memory");
      return {false, "Out Of Memory", false};
    }
    return {};
  }

 private:
  void SearchClusters() {
    catalog_.directoriesFound = 0;
    catalog_.filesFound = 0;
    catalog_.bytesTotal = 0;
    catalog_.AddFolder({.shortName = "Lost", .parentKey = 0, .ownKey = LostKey});
    host_.setStepText(kClusterSearchText);
    const uint32_t perCluster = state_.geometry.sectorsPerCluster;
    // A damaged boot sector can claim terabytes: nothing lies past the source.
    const uint64_t sourceEnd = reader_.sourceSectors();
    const uint64_t end = sourceEnd != 0 ? std::min(state_.endSector, sourceEnd) : state_.endSector;
    if (!IsClusterSize(perCluster)) return;
    uint32_t cluster = 2;
    int64_t first = state_.geometry.clusterBase + 2 * static_cast<int64_t>(perCluster);
    for (; first < 0; first += perCluster) ++cluster;
    const uint64_t runClusters = std::max<uint64_t>(1, kRunSectors / perCluster);
    // The last cluster that lies before the end sector.
    const auto lastCluster = static_cast<uint32_t>(
        std::min<uint64_t>(UINT32_MAX, cluster + (end > static_cast<uint64_t>(first) ? (end - first) / perCluster : 0)));
    AlignedBuffer run(runClusters * perCluster * kSectorSize);
    ProgressReport report;
    std::string lastName;
    for (auto sector = static_cast<uint64_t>(first); sector < end && cluster >= 2;) {
      host_.pauseGate();
      if (host_.stopRequested()) break;  // asked while paused: not one more read
      const auto count = static_cast<uint32_t>(std::min<uint64_t>(runClusters * perCluster, end - sector));
      reader_.readRun(sector, count, perCluster, run.data());
      for (uint32_t offset = 0; offset < count && cluster >= 2; offset += perCluster, ++cluster) {
        const ByteView head(run.data() + static_cast<size_t>(offset) * kSectorSize, kSectorSize);
        if (IsDirectoryStart(head)) {
          if (EntryCluster(head, false) == cluster) {
            lastName = "Dir" + std::to_string(catalog_.directoriesFound);
            if (!catalog_.AddFolder({.shortName = lastName,
                                     .deleted = FreeCluster(cluster) ? 'y' : 'n',
                                     .parentKey = EntryCluster(head.sub(kDirEntrySize), false),
                                     .ownKey = cluster,
                                     .times = EntryTimes(head)}))
              return;
          }
        } else if (LooksLikeDirectoryEntries(head, lastCluster)) {
          looseClusters_.push_back(cluster);
        }
        report.ReportSector(host_, sector + offset, end, catalog_.directoriesFound, catalog_.filesFound,
                            std::u16string(lastName.begin(), lastName.end()));
      }
      sector += count;
      host_.setProgress(ProgressPercent(sector, end));
      if (host_.stopRequested()) break;
    }
    looseClaimed_.assign(looseClusters_.size(), false);
  }

  void HangLostFolders() {
    host_.clearStop();
    host_.setStepText(kLostDirectoriesText);
    auto& folders = catalog_.folders();
    for (size_t i = 0; i < folders.size(); ++i) {
      FolderRecord& folder = folders[i];
      if (folder.parentKey == 0) continue;
      host_.pauseGate();
      if (!catalog_.HasFolder(folder.parentKey, folder.fileSystemNumber)) folder.parentKey = LostKey;
      host_.setProgress(ProgressPercent(i, catalog_.directoriesFound));
    }
  }

  void ListRoot() {
    host_.setCaption(kCaptionSizeLabel, "Total Size               :-");
    host_.setStepText(kRootEntriesText);
    host_.pauseGate();
    // The root is one read, which Stop does not cut short; a stop that cannot be
    // taken back is Back, which ends the scan before it.
    if (host_.stopRequested()) {
      host_.clearStop();
      if (host_.stopRequested()) return;
    }
    directories_.ReadRoot([&](const DecodedEntry& entry) { return Take(entry, kFatRootKey, false); });
    ClaimRead();
  }

  void ListFolders() {
    host_.setStepText(kSubfolderEntriesText);
    uint64_t done = 0;
    // Positions: the loose clusters append folders later, never during this walk.
    for (size_t i = 0; i < catalog_.folders().size() && !catalog_.outOfMemory; ++i) {
      const FolderRecord& folder = catalog_.folders()[i];
      if (state_.partitionSearch == 1 && folder.fileSystemNumber != number_) continue;
      if (folder.ownKey != LostKey) {
        const uint32_t key = folder.ownKey;
        const bool deleted = folder.deleted == 'y';
        host_.pauseGate();
        if (host_.stopRequested()) return;
        if (directories_.ReadFolder(key, deleted, [&](const DecodedEntry& entry) { return Take(entry, key, deleted); }))
          ClaimRead();
      }
      host_.setProgress(ProgressPercent(done++, catalog_.directoriesFound));
      if (host_.stopRequested()) return;
    }
  }

  // The noted clusters that no directory read took, each listed as a folder of
  // its own under "Lost". Their folder entries name a found folder that still
  // bears its number.
  void ListLooseClusters() {
    for (size_t i = 0; i < looseClusters_.size() && !catalog_.outOfMemory && !host_.stopRequested(); ++i) {
      if (looseClaimed_[i]) continue;
      host_.pauseGate();
      const uint32_t cluster = looseClusters_[i];
      if (catalog_.HasFolder(cluster, number_)) continue;
      const std::string name = "Cluster " + std::to_string(cluster);
      if (!catalog_.AddFolder({.shortName = name, .deleted = 'y', .parentKey = LostKey, .ownKey = cluster,
                               .fileSystemNumber = number_}))
        return;
      directories_.ReadLooseCluster(cluster, [&](const DecodedEntry& entry) {
        if (!entry.isFolder) return Take(entry, cluster, true);
        if (FolderRecord* found = catalog_.FindFolder(entry.firstCluster, number_);
            found != nullptr && found->name.isShort() && found->name.shortName().rfind("Dir", 0) == 0)
          Name(*found, entry, 'y');
        else
          oldFolders_.Note(entry, cluster);
        return !catalog_.outOfMemory;
      });
      ClaimRead();
    }
  }

  // A folder whose first cluster the FAT calls free was deleted, whatever its
  // "." entry says.
  bool FreeCluster(uint32_t cluster) {
    const std::optional<uint32_t> entry = directories_.table().Entry(cluster);
    return entry && *entry == 0;
  }

  // An entry of the directory `parentKey`: a folder entry names the found
  // folder of its cluster whose parent this directory is; a file is listed.
  bool Take(const DecodedEntry& entry, uint32_t parentKey, bool parentDeleted) {
    if (entry.isFolder) {
      if (parentDeleted || entry.deleted == 'y') oldFolders_.Note(entry, parentKey);
      FolderRecord* found = catalog_.FindFolder(entry.firstCluster, number_);
      if (found != nullptr && found->parentKey == parentKey) Name(*found, entry, parentDeleted ? 'y' : entry.deleted);
    } else {
      AddFileEntry(catalog_, entry, parentKey, parentDeleted ? 'y' : entry.deleted);
    }
    progress_.Report(host_, catalog_.bytesTotal, catalog_.directoriesFound, catalog_.filesFound, entry.name);
    return !catalog_.outOfMemory;
  }

  // The folder takes the entry's name (long or short); its keys and times stay
  // those of its "." entry. A live entry is the folder's name for good: a
  // deleted entry of the same cluster (the name before a rename, or a folder
  // that had the cluster before) never takes it back.
  void Name(FolderRecord& folder, const DecodedEntry& entry, char deleted) {
    if (deleted == 'n')
      namedLive_.insert(folder.ownKey);
    else if (namedLive_.count(folder.ownKey) != 0)
      return;
    if (!catalog_.Rename(folder.name, entry.shortName, entry.name)) catalog_.outOfMemory = true;
    folder.deleted = deleted;
  }

  // Marks the loose clusters that the directory just read holds.
  void ClaimRead() {
    for (uint32_t cluster : directories_.clusters()) {
      auto found = std::lower_bound(looseClusters_.begin(), looseClusters_.end(), cluster);
      if (found != looseClusters_.end() && *found == cluster) looseClaimed_[found - looseClusters_.begin()] = true;
    }
  }

  SectorReader& reader_;
  WorkerHost& host_;
  RecoveryCatalog& catalog_;
  const RecoveryState& state_;
  FatDirectoryReader directories_;
  const int16_t number_;
  // Clusters whose first sector holds entries but no "." entry, ascending.
  std::vector<uint32_t> looseClusters_;
  std::vector<bool> looseClaimed_;
  // Folders (by first cluster) that a live entry has named.
  std::unordered_set<uint32_t> namedLive_;
  OldFolderEntries oldFolders_;
  ProgressReport progress_;
};

}  // namespace

FatScanResult FatExhaustiveScan(const ScanContext& context) {
  return RunWithinMemory(context.host, [&] { return ExhaustiveScan(context).Run(); });
}

}  // namespace vantor
