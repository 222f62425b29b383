// The Sleuth Kit as the oracle of a test: the allocated files that fls lists on
// a volume, and their bytes as icat gives them.
#pragma once

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/Shell.h"

namespace vantor::test {

// Path and address of each allocated regular file fls lists on the volume at
// sector `start` of `image`, system files and streams left out.
inline std::vector<std::pair<std::string, std::string>> FlsFiles(const std::string& image, const std::string& start) {
  std::vector<std::pair<std::string, std::string>> files;
  std::istringstream lines(Shell("fls -r -p -o " + start + " '" + image + "' 2>/dev/null"));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("r/r ", 0) != 0 || line.find(" * ") != std::string::npos) continue;
    const size_t tab = line.find(":\t");
    const std::string path = line.substr(tab + 2);
    if (path.find('$') != std::string::npos || path.find(':') != std::string::npos) continue;
    files.emplace_back(path, line.substr(4, tab - 4));
  }
  return files;
}

inline std::string IcatBytes(const std::string& image, const std::string& start, const std::string& address) {
  return Shell("icat -o " + start + " '" + image + "' " + address);
}

}  // namespace vantor::test
