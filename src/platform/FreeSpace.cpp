#include "platform/FreeSpace.h"

#include <sys/statvfs.h>

namespace vantor {

uint64_t FreeBytes(const std::string& path) {
  struct statvfs info;
  if (::statvfs(path.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace vantor
