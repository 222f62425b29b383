#include "save/CopyCompressed.h"

#include <algorithm>
#include <vector>

#include "core/Sector.h"
#include "ntfs/Lznt1.h"
#include "ntfs/MftRunTable.h"
#include "save/OutputFile.h"
#include "save/Progress.h"
#include "save/SaveContext.h"

namespace vantor {
namespace {

// Walks a run table in steps of one unit, reading what lies on disk.
class UnitReader {
 public:
  UnitReader(const SaveContext& context, const MftRunTable& runs, uint64_t unitSectors)
      : context_(context), runs_(runs.runs()), unitSectors_(unitSectors) {}

  // Reads the next unit's stored sectors, in order, into `stored`. `covered`
  // counts the unit's sectors the runs give (less than a unit only at their
  // end), `onDisk` those of them not sparse.
  void next(uint8_t* stored, uint64_t& covered, uint64_t& onDisk) {
    covered = 0;
    onDisk = 0;
    while (covered < unitSectors_ && index_ < runs_.size()) {
      const DataRun& run = runs_[index_];
      const uint64_t take = std::min(run.sectorCount - offset_, unitSectors_ - covered);
      if (!run.sparse) {
        const SectorRun part{static_cast<int64_t>(run.firstSector), run.sectorCount, false};
        ReadRunPart(context_, part, offset_, static_cast<uint32_t>(take), 1, stored + onDisk * kSectorSize);
        onDisk += take;
      }
      covered += take;
      offset_ += take;
      if (offset_ == run.sectorCount) {
        ++index_;
        offset_ = 0;
      }
    }
  }

 private:
  const SaveContext& context_;
  const std::vector<DataRun>& runs_;
  const uint64_t unitSectors_;
  size_t index_ = 0;
  uint64_t offset_ = 0;
};

std::string DamageText(uint64_t units, uint64_t firstByte) {
  return std::to_string(units) + (units == 1 ? " compressed unit" : " compressed units") +
         " could not be decoded (the first at byte " + std::to_string(firstByte) + ") and were written as zeros";
}

}  // namespace

CopyEnd CopyCompressedRuns(const SaveContext& context, OutputFile& file, const MftRunTable& runs, uint64_t unitSectors,
                           uint64_t size, uint64_t validSize, bool interactive, uint64_t& written, std::string& damage) {
  const size_t unitBytes = static_cast<size_t>(unitSectors) * kSectorSize;
  std::vector<uint8_t> stored(unitBytes);
  std::vector<uint8_t> plain(unitBytes);
  UnitReader units(context, runs, unitSectors);
  uint64_t damagedUnits = 0;
  uint64_t firstDamage = 0;
  damage.clear();
  while (written < size) {
    if (context.savingRun.skipFile != 0 || AbortRequested(context)) return CopyEnd::kInterrupted;
    uint64_t covered = 0;
    uint64_t onDisk = 0;
    units.next(stored.data(), covered, onDisk);
    if (covered == 0) return CopyEnd::kRunsEnded;
    std::vector<uint8_t>* out = &plain;
    if (onDisk == covered) {
      // Stored as it is; the runs may end inside the last unit.
      std::fill(stored.begin() + static_cast<ptrdiff_t>(covered * kSectorSize), stored.end(), uint8_t{0});
      out = &stored;
    } else if (onDisk == 0) {
      std::fill(plain.begin(), plain.end(), uint8_t{0});
    } else if (!DecompressLznt1(ByteView(stored.data(), onDisk * kSectorSize), plain.data(), unitBytes)) {
      std::fill(plain.begin(), plain.end(), uint8_t{0});
      if (damagedUnits++ == 0) firstDamage = written;
    }
    const uint64_t length = std::min<uint64_t>(unitBytes, size - written);
    ZeroPastValid(out->data(), written, length, validSize);
    if (!file.write(out->data(), static_cast<size_t>(length))) return CopyEnd::kWriteFailed;
    written += length;
    context.savingRun.bytesCopied += length;
    if (interactive) RefreshProgress(context, written, size);
  }
  if (damagedUnits > 0) damage = DamageText(damagedUnits, firstDamage);
  return CopyEnd::kDone;
}

}  // namespace vantor
