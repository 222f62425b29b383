// Size texts shared by the progress displays, the step reports and the logs:
// bytes as "%.3f MB" (divided by 2^20) up to exactly 1 GiB, "%.3f GB" (divided by
// 2^30) above it.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

inline constexpr uint64_t kMegaByte = 1ull << 20;
inline constexpr uint64_t kGigaByte = 1ull << 30;

std::string MegaGigaText(uint64_t bytes);

}  // namespace vantor
