// The unit of every read: 512-byte sectors, numbered from 0 with 64-bit values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace vantor {

inline constexpr uint32_t kSectorSize = 512;

using SectorBytes = std::array<uint8_t, kSectorSize>;

// Reads `count` sectors from `first` into `buffer`; nonzero for success. Readers
// of on-disk structures take one of these instead of the whole session.
using SectorRead = std::function<uint32_t(uint64_t first, uint32_t count, uint8_t* buffer)>;

}  // namespace vantor
