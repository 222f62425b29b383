#include "save/OutputFile.h"

#include <sys/stat.h>

#include "save/DestinationTree.h"

namespace vantor {

std::unique_ptr<OutputFile> CreateOutputFile(DestinationTree* destination, const std::string& path,
                                             std::string& error) {
  if (destination == nullptr) {
    error = "no destination folder is open";
    return nullptr;
  }
  return destination->create(path, error);
}

bool PathExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace vantor
