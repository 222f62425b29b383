#include "imaging/ImageMap.h"

#include <algorithm>
#include <sstream>

namespace vantor {

void ImageMap::addUnreadable(uint64_t sector) {
  if (!unreadable.empty() && unreadable.back().first + unreadable.back().count == sector) {
    unreadable.back().count += 1;
    return;
  }
  unreadable.push_back({sector, 1});
}

void ImageMap::setPiece(uint64_t index, uint64_t bytes) {
  for (ImagePiece& piece : pieces)
    if (piece.index == index) {
      piece.bytes = bytes;
      return;
    }
  pieces.push_back({index, bytes});
}

std::string ImageMap::text() const {
  std::ostringstream out;
  std::string oneLine = source;
  std::replace(oneLine.begin(), oneLine.end(), '\n', '?');
  out << "# vantor image map\nsource " << oneLine << "\nrange " << start << " " << end << "\nnext " << next << "\n";
  for (const ImagePiece& piece : pieces) out << "piece " << piece.index << " " << piece.bytes << "\n";
  for (const UnreadableRun& range : unreadable) out << "unreadable " << range.first << " " << range.count << "\n";
  return out.str();
}

std::string ImageMap::parse(const std::string& text, const std::string& name) {
  std::istringstream in(text);
  *this = {};
  bool ranged = false, placed = false, named = false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string word;
    fields >> word;
    bool read = false;
    if (word == "source") {
      source = line.size() > 7 ? line.substr(7) : std::string();
      read = named = !source.empty();
    } else if (word == "range") {
      read = static_cast<bool>(fields >> start >> end) && start < end;
      ranged = read;
    } else if (word == "next") {
      read = static_cast<bool>(fields >> next);
      placed = read;
    } else if (word == "piece") {
      ImagePiece piece;
      read = static_cast<bool>(fields >> piece.index >> piece.bytes);
      pieces.push_back(piece);
    } else if (word == "unreadable") {
      UnreadableRun range;
      read = static_cast<bool>(fields >> range.first >> range.count);
      unreadable.push_back(range);
    }
    if (!read) return name + " is not a map of an image: '" + line + "'";
  }
  if (!ranged || !placed || next < start || next > end) return name + " is not a map of an image";
  if (!named) return name + " does not name the source it copies (made by an earlier version): copy again without --resume";
  return {};
}

}  // namespace vantor
