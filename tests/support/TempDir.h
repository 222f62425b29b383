// A temporary folder removed with its contents when the test ends.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vantor::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantor-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Sector n of a pattern disk: every byte is (n * 7 + offset) mod 251, and the
// first 8 bytes hold n, so any misplaced sector is visible.
inline std::vector<uint8_t> PatternDisk(uint64_t sectors) {
  std::vector<uint8_t> bytes(sectors * 512);
  for (uint64_t n = 0; n < sectors; ++n) {
    for (size_t i = 0; i < 512; ++i) bytes[n * 512 + i] = static_cast<uint8_t>((n * 7 + i) % 251);
    for (size_t i = 0; i < 8; ++i) bytes[n * 512 + i] = static_cast<uint8_t>(n >> (8 * i));
  }
  return bytes;
}

}  // namespace vantor::test
