// SHA-256 of a file, in lowercase hex, for comparing recovered files with a
// manifest.
#pragma once

#include <string>

namespace vantor::cli {

// Empty when the file cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace vantor::cli
