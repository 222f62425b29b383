#include "save/DestinationFolder.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>

namespace vantor {
namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The whole disk that holds the partition `device` (a block device number), or
// `device` itself when it is not a partition.
dev_t WholeDisk(dev_t device) {
  std::string node = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
  if (::access((node + "/partition").c_str(), F_OK) != 0) return device;
  std::ifstream parent(node + "/../dev");
  unsigned majorNumber = 0, minorNumber = 0;
  char colon = 0;
  if (!(parent >> majorNumber >> colon >> minorNumber) || colon != ':') return device;
  return makedev(majorNumber, minorNumber);
}

// Why the existing folder `path` cannot serve for the sources, or empty.
std::string SourceProblem(const std::string& path, const struct stat& folder, const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    struct stat info;
    if (::stat(source.c_str(), &info) != 0) continue;
    if (SameFile(info, folder)) return path + " is the source being recovered";
    if (S_ISBLK(info.st_mode) && (info.st_rdev == folder.st_dev || info.st_rdev == WholeDisk(folder.st_dev)))
      return path + " lies on " + source + ", the device being recovered";
  }
  return {};
}

std::string WriteProblem(const std::string& path, const struct stat& folder) {
  struct statvfs volume;
  if (::statvfs(path.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0)
    return path + " lies on a read-only file system";
  if (::access(path.c_str(), W_OK | X_OK) != 0) return "cannot write into " + path + ": " + std::strerror(errno);
  // Root may write anywhere; a folder that nobody may write was made read-only
  // on purpose, and is respected.
  if ((folder.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return path + " is read-only";
  return {};
}

// The folders of `path` from its first on ("a", "a/b", "a/b/c"; "/a", ...).
std::vector<std::string> Levels(const std::string& path) {
  std::vector<std::string> levels;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    if (path[slash - 1] != '/') levels.push_back(path.substr(0, slash));
  if (path.back() != '/') levels.push_back(path);
  return levels;
}

// Checks each level and makes the missing ones; `made` collects what was made.
std::string MakeLevels(const std::string& path, const std::vector<std::string>& sources, std::vector<std::string>& made) {
  for (const std::string& level : Levels(path)) {
    struct stat info;
    if (::stat(level.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) continue;
      std::string problem = SourceProblem(level, info, sources);
      return problem.empty() ? level + " is a file, not a folder" : problem;
    }
    if (::lstat(level.c_str(), &info) == 0) return level + " is a link that leads nowhere";
    if (::mkdir(level.c_str(), 0755) != 0) return "cannot create folder " + level + ": " + std::strerror(errno);
    made.push_back(level);
  }
  return {};
}

}  // namespace

std::string PrepareDestinationFolder(const std::string& path, const std::vector<std::string>& sources) {
  if (path.empty()) return "no folder was given";
  if (path.size() >= PATH_MAX) return "the path is longer than " + std::to_string(PATH_MAX - 1) + " bytes";
  std::vector<std::string> made;
  std::string problem = MakeLevels(path, sources, made);
  struct stat folder;
  if (problem.empty() && ::stat(path.c_str(), &folder) != 0) problem = path + ": " + std::strerror(errno);
  if (problem.empty()) problem = SourceProblem(path, folder, sources);
  if (problem.empty()) problem = WriteProblem(path, folder);
  if (!problem.empty())
    for (auto level = made.rbegin(); level != made.rend(); ++level) ::rmdir(level->c_str());
  return problem;
}

}  // namespace vantor
