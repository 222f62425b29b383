// Free bytes of the file system that holds a folder, as an unprivileged user may
// use them (statvfs).
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

// 0 when the folder's file system cannot be asked.
uint64_t FreeBytes(const std::string& path);

}  // namespace vantor
