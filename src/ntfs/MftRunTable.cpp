#include "ntfs/MftRunTable.h"

#include <new>

namespace vantor {

bool MftRunTable::Append(const DataRun& run) {
  try {
    if (runs_.size() == runs_.capacity()) runs_.reserve(runs_.capacity() + kGrowth);
    runs_.push_back(run);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void MftRunTable::Truncate(size_t count) {
  if (count < runs_.size()) runs_.resize(count);
}

void MftRunTable::LimitTo(uint64_t sectors) {
  uint64_t covered = 0;
  for (size_t i = 0; i < runs_.size(); ++i) {
    if (covered + runs_[i].sectorCount >= sectors) {
      runs_[i].sectorCount = sectors - covered;
      Truncate(runs_[i].sectorCount == 0 ? i : i + 1);
      return;
    }
    covered += runs_[i].sectorCount;
  }
}

uint64_t MftRunTable::TotalSectors() const {
  uint64_t total = 0;
  for (const DataRun& run : runs_) total += run.sectorCount;
  return total;
}

}  // namespace vantor
