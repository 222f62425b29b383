// A window of the source read ahead of what was asked for. Work that asks for a
// few sectors at a time, mostly in ascending order (the saver reading one file
// record after another), then costs one request per window instead of one per
// ask. The window is read with the bad-sector questions held back; when it fails,
// the ask is read on its own, so the questions and the bytes are those of the
// reads without a window.
#pragma once

#include <cstdint>
#include <vector>

namespace vantor {

class SectorReader;

class ReadAhead {
 public:
  static constexpr uint32_t kWindowSectors = 512;  // 256 KiB

  // Reads `count` sectors from `first` into `buffer`; nonzero for success.
  uint32_t read(SectorReader& reader, uint64_t first, uint32_t count, uint8_t* buffer);
  // Forgets the window: the next ask reads a new one.
  void clear() { sectors_ = 0; }

 private:
  uint64_t first_ = 0;
  uint32_t sectors_ = 0;
  bool failed_ = false;  // the window holds a sector that could not be read
  std::vector<uint8_t> bytes_;
};

}  // namespace vantor
