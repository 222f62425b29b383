#include "core/Sha256.h"

#include <array>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace vantor {
namespace {

constexpr std::array<uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5, 0xd807aa98,
    0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786,
    0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8,
    0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13,
    0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819,
    0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a,
    0x5b9cca4f, 0x682e6ff3, 0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2};

uint32_t Rotate(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void PortableBlocks(std::array<uint32_t, 8>& state, const uint8_t* data, size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = (uint32_t{data[4 * i]} << 24) | (uint32_t{data[4 * i + 1]} << 16) | (uint32_t{data[4 * i + 2]} << 8) |
             data[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
      const uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
      const uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      const uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The SHA extensions of x86 do two rounds per instruction on the state held
// as (A,B,E,F) and (C,D,G,H), and the message schedule four words at a time.
__attribute__((target("sha,sse4.1,ssse3"))) void ShaExtensionBlocks(std::array<uint32_t, 8>& state,
                                                                     const uint8_t* data, size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  __m128i abcd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state.data()));
  __m128i efgh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state.data() + 4));
  abcd = _mm_shuffle_epi32(abcd, 0xB1);  // B A D C
  efgh = _mm_shuffle_epi32(efgh, 0x1B);  // H G F E
  __m128i abef = _mm_alignr_epi8(abcd, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, abcd, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i words[4];
    for (int g = 0; g < 16; ++g) {
      __m128i w;
      if (g < 4) {
        w = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), byteSwap);
      } else {
        // W[t..t+3] from the four groups before: words[g % 4] is the oldest.
        const __m128i& oldest = words[g % 4];
        const __m128i& older = words[(g + 1) % 4];
        const __m128i& old = words[(g + 2) % 4];
        const __m128i& last = words[(g + 3) % 4];
        w = _mm_add_epi32(_mm_sha256msg1_epu32(oldest, older), _mm_alignr_epi8(last, old, 4));
        w = _mm_sha256msg2_epu32(w, last);
      }
      words[g % 4] = w;
      __m128i wk = _mm_add_epi32(w, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound.data() + 4 * g)));
      // Each pair of rounds returns the new (A,B,E,F); the old one is the new
      // (C,D,G,H), so the two variables trade roles and are back after two.
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
      wk = _mm_shuffle_epi32(wk, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, wk);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);  // A B E F
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);  // G H C D
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state.data()), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state.data() + 4), _mm_alignr_epi8(dchg, feba, 8));
}
#endif

using BlocksFunction = void (*)(std::array<uint32_t, 8>&, const uint8_t*, size_t);

BlocksFunction ChooseBlocks() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  // cpuid: leaf 7 EBX bit 29 is SHA; leaf 1 ECX bit 19 is SSE4.1, bit 9 SSSE3.
  unsigned a = 0, b = 0, c = 0, d = 0;
  const bool sha = __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29)) != 0;
  if (sha && __get_cpuid(1, &a, &b, &c, &d) && (c & (1u << 19)) != 0 && (c & (1u << 9)) != 0)
    return ShaExtensionBlocks;
#endif
  return PortableBlocks;
}

const BlocksFunction kBlocks = ChooseBlocks();

}  // namespace

void Sha256::Add(const uint8_t* data, size_t length) {
  total_ += length;
  // Whole blocks straight from the data; the rest waits in block_.
  while (length > 0) {
    if (used_ == 0 && length >= 64) {
      kBlocks(state_, data, length / 64);
      data += length / 64 * 64;
      length %= 64;
      continue;
    }
    const size_t part = std::min(length, 64 - used_);
    std::memcpy(block_.data() + used_, data, part);
    used_ += part;
    data += part;
    length -= part;
    if (used_ == 64) {
      Compress(block_.data());
      used_ = 0;
    }
  }
}

std::string Sha256::Finish() {
  uint64_t bits = total_ * 8;
  uint8_t pad = 0x80;
  Add(&pad, 1);
  uint8_t zero = 0;
  while (used_ != 56) Add(&zero, 1);
  for (int i = 7; i >= 0; --i) block_[used_++] = static_cast<uint8_t>(bits >> (8 * i));
  Compress(block_.data());
  used_ = 0;
  std::string hex;
  char digits[9];
  for (uint32_t word : state_) {
    std::snprintf(digits, sizeof digits, "%08x", word);
    hex += digits;
  }
  return hex;
}

void Sha256::Compress(const uint8_t* block) { kBlocks(state_, block, 1); }

std::string FileSha256(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  Sha256 hash;
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    hash.Add(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(in.gcount()));
  }
  return hash.Finish();
}

}  // namespace vantor
