// The unit of every read: 512-byte sectors, numbered from 0 with 64-bit values.
#pragma once

#include <array>
#include <cstdint>

namespace vantor {

inline constexpr uint32_t kSectorSize = 512;

using SectorBytes = std::array<uint8_t, kSectorSize>;

}  // namespace vantor
