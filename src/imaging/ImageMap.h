// The map beside an image (Image0.map): the range being copied, the sector
// where the copy stands, and the ranges of the source that could not be read
// (their place in the image holds zeros). It is written again as the copy goes,
// so that a stopped run can go on where it stopped.
//
//   # vantor image map
//   range FIRST END
//   next SECTOR
//   unreadable FIRST COUNT      (one line per range, in order)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor {

struct UnreadableRun {
  uint64_t first = 0;
  uint64_t count = 0;
  bool operator==(const UnreadableRun&) const = default;
};

struct ImageMap {
  uint64_t start = 0;
  uint64_t end = 0;
  uint64_t next = 0;
  std::vector<UnreadableRun> unreadable;

  // Adds one unreadable sector, joined to the last range when it follows it.
  void addUnreadable(uint64_t sector);
  // Written whole under a temporary name, then renamed over the map; false
  // when it could not be written.
  bool save(const std::string& path) const;
  // Empty when read, else why not.
  std::string load(const std::string& path);
};

}  // namespace vantor
