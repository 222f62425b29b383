// The map beside an image (Image0.map): the source copied, the range being
// copied, the sector where the copy stands, the pieces written with their
// lengths, and the ranges of the source that could not be read (their place in
// the image holds zeros). It is written again as the copy goes, so that a
// stopped run can go on where it stopped, and only over the same source; and
// a later copy to the same name removes only the pieces that its map lists.
//
//   # vantor image map
//   source TEXT                 (the source's identity, to the end of the line)
//   range FIRST END
//   next SECTOR
//   piece INDEX BYTES           (one line per piece written, in order)
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

struct ImagePiece {
  uint64_t index = 0;
  uint64_t bytes = 0;
  bool operator==(const ImagePiece&) const = default;
};

struct ImageMap {
  std::string source;
  uint64_t start = 0;
  uint64_t end = 0;
  uint64_t next = 0;
  std::vector<ImagePiece> pieces;
  std::vector<UnreadableRun> unreadable;

  // Adds one unreadable sector, joined to the last range when it follows it.
  void addUnreadable(uint64_t sector);
  // Sets the length of piece `index`, listing it when it is new.
  void setPiece(uint64_t index, uint64_t bytes);
  // The map's text.
  std::string text() const;
  // Reads the map's text; empty when read, else why not (`name` names it).
  std::string parse(const std::string& text, const std::string& name);
};

}  // namespace vantor
