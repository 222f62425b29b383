#include "ntfs/Lznt1.h"

#include <algorithm>
#include <cstring>

namespace vantor {
namespace {

constexpr uint16_t kChunkLength = 0x0FFF;
constexpr uint16_t kChunkCompressed = 0x8000;

// The bits of a back-reference that give its distance, at `position` bytes into
// the chunk (position > 0).
unsigned DistanceBits(size_t position) {
  unsigned bits = 4;
  for (size_t limit = position - 1; limit >= 0x10; limit >>= 1) ++bits;
  return bits;
}

// Decodes one compressed chunk's items (`items`) into `out`, at most
// kLznt1ChunkBytes; `produced` tells how many bytes it gave.
bool DecodeChunk(ByteView items, uint8_t* out, size_t& produced) {
  size_t in = 0;
  size_t position = 0;
  while (in < items.size()) {
    const uint8_t flags = items.u8(in++);
    for (int bit = 0; bit < 8 && in < items.size(); ++bit) {
      if ((flags & (1u << bit)) == 0) {
        if (position == kLznt1ChunkBytes) return false;
        out[position++] = items.u8(in++);
        continue;
      }
      if (!items.has(in, 2) || position == 0) return false;
      const uint16_t token = items.le16(in);
      in += 2;
      const unsigned distanceBits = DistanceBits(position);
      const size_t distance = (static_cast<size_t>(token) >> (16 - distanceBits)) + 1;
      const size_t length = (token & (0xFFFFu >> distanceBits)) + 3;
      if (distance > position || length > kLznt1ChunkBytes - position) return false;
      // The source may overlap what is being written (a run of a repeated
      // pattern), so the bytes are copied one at a time, forwards.
      for (size_t i = 0; i < length; ++i, ++position) out[position] = out[position - distance];
    }
  }
  produced = position;
  return true;
}

}  // namespace

bool DecompressLznt1(ByteView packed, uint8_t* plain, size_t plainBytes) {
  std::memset(plain, 0, plainBytes);
  size_t in = 0;
  for (size_t out = 0; out < plainBytes && packed.has(in, 2); out += kLznt1ChunkBytes) {
    const uint16_t header = packed.le16(in);
    if (header == 0) break;
    const size_t stored = (header & kChunkLength) + 1u;
    if (!packed.has(in + 2, stored)) return false;
    const ByteView chunk = packed.sub(in + 2, stored);
    in += 2 + stored;
    const size_t room = std::min(kLznt1ChunkBytes, plainBytes - out);
    if ((header & kChunkCompressed) == 0) {
      std::memcpy(plain + out, chunk.data(), std::min(room, chunk.size()));
      continue;
    }
    uint8_t decoded[kLznt1ChunkBytes];
    size_t produced = 0;
    if (!DecodeChunk(chunk, decoded, produced) || produced > room) return false;
    std::memcpy(plain + out, decoded, produced);
  }
  return true;
}

}  // namespace vantor
