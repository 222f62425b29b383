// The data runs of one non-resident attribute, mapped to sectors of the source.
//
// A run is a first sector (absolute on the source) and a count of sectors; a
// sparse run occupies no clusters on the volume and reads as zeros, so it keeps
// first sector 0 and is marked. The MFT itself is described by one such table
// (kept for the scan); the saver builds another for each file or folder. The
// table grows 1024 entries at a time; when memory runs out, Append says so and
// the decoding keeps the runs it has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantor {

struct DataRun {
  uint64_t firstSector = 0;  // 0 for a sparse run
  uint64_t sectorCount = 0;
  bool sparse = false;
  bool operator==(const DataRun&) const = default;
};

class MftRunTable {
 public:
  static constexpr size_t kGrowth = 1024;

  // Adds one run at the end; false when the table cannot grow.
  bool Append(const DataRun& run);
  void Clear() {
    runs_.clear();
    compressionUnit_ = 0;
  }
  // Keeps the first `count` runs.
  void Truncate(size_t count);
  // Shortens the table so that it covers at most `sectors` sectors.
  void LimitTo(uint64_t sectors);

  const std::vector<DataRun>& runs() const { return runs_; }
  size_t count() const { return runs_.size(); }
  bool empty() const { return runs_.empty(); }
  uint64_t TotalSectors() const;

  // The size of the records the table's data holds, when it maps an MFT.
  uint32_t recordSectors() const { return recordSectors_; }
  size_t recordBytes() const { return static_cast<size_t>(recordSectors_) * 512; }
  void setRecordSectors(uint32_t sectors) { recordSectors_ = sectors; }

  // For a compressed attribute (flags at +12 of its first extent), its
  // compression unit as the header gives it at +34: the unit holds 2^unit
  // clusters. 0 for data stored as it is.
  uint8_t compressionUnit() const { return compressionUnit_; }
  void setCompressionUnit(uint8_t unit) { compressionUnit_ = unit; }

 private:
  std::vector<DataRun> runs_;
  uint32_t recordSectors_ = 2;
  uint8_t compressionUnit_ = 0;
};

}  // namespace vantor
