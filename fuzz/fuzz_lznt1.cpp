// Fuzzes the LZNT1 decoder on fuzzed compression units: the first byte picks the
// unit's size (1 to 16 chunks of 4096 bytes), the rest is its stored data. The
// output buffer is exactly one unit long, so any write past it is caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ntfs/Lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 16 * 4096 + 1) return 0;
  const size_t unitBytes = (data[0] % 16 + 1) * vantor::kLznt1ChunkBytes;
  std::vector<uint8_t> plain(unitBytes);
  vantor::DecompressLznt1(vantor::ByteView(data + 1, size - 1), plain.data(), plain.size());
  return 0;
}
