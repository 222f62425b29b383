// What stands below a folder, to tell that a run left it as it was: each path
// (links not followed) with its mode, owner, size, last-write time, link target
// and, for a regular file, the sha256 of its bytes.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "Shell.h"

namespace vantor::test {

inline std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> state;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    struct stat info;
    ::lstat(item.path().c_str(), &info);
    std::string print = std::to_string(info.st_mode) + " " + std::to_string(info.st_uid) + " " +
                        std::to_string(info.st_size) + " " + std::to_string(info.st_mtime);
    if (S_ISLNK(info.st_mode)) print += " -> " + std::filesystem::read_symlink(item.path()).string();
    if (S_ISREG(info.st_mode)) print += " " + Shell("sha256sum '" + item.path().string() + "' | cut -c1-64");
    state[item.path()] = print;
  }
  return state;
}

}  // namespace vantor::test
