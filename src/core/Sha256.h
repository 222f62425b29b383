// SHA-256 (FIPS 180-4): of bytes as they are written, or of a file, in
// lowercase hex, for reports of what was written and for comparing recovered
// files with a manifest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vantor {

class Sha256 {
 public:
  void Add(const uint8_t* data, size_t length);
  std::string Finish();

 private:
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<uint8_t, 64> block_{};
  size_t used_ = 0;
  uint64_t total_ = 0;
};

// Empty when the file cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace vantor
