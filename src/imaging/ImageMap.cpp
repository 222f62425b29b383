#include "imaging/ImageMap.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vantor {

void ImageMap::addUnreadable(uint64_t sector) {
  if (!unreadable.empty() && unreadable.back().first + unreadable.back().count == sector) {
    unreadable.back().count += 1;
    return;
  }
  unreadable.push_back({sector, 1});
}

bool ImageMap::save(const std::string& path) const {
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::trunc);
    out << "# vantor image map\nrange " << start << " " << end << "\nnext " << next << "\n";
    for (const UnreadableRun& range : unreadable) out << "unreadable " << range.first << " " << range.count << "\n";
    out.flush();
    if (!out) {
      std::remove(partial.c_str());
      return false;
    }
  }
  return std::rename(partial.c_str(), path.c_str()) == 0;
}

std::string ImageMap::load(const std::string& path) {
  std::ifstream in(path);
  if (!in) return "there is no map " + path + " of an earlier run";
  *this = {};
  bool ranged = false, placed = false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string word;
    fields >> word;
    bool read = false;
    if (word == "range") {
      read = static_cast<bool>(fields >> start >> end) && start < end;
      ranged = read;
    } else if (word == "next") {
      read = static_cast<bool>(fields >> next);
      placed = read;
    } else if (word == "unreadable") {
      UnreadableRun range;
      read = static_cast<bool>(fields >> range.first >> range.count);
      unreadable.push_back(range);
    }
    if (!read) return path + " is not a map of an image: '" + line + "'";
  }
  if (!ranged || !placed || next < start || next > end) return path + " is not a map of an image";
  return {};
}

}  // namespace vantor
