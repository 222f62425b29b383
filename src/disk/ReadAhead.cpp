#include "disk/ReadAhead.h"

#include <cstring>

#include "core/Sector.h"
#include "disk/SectorReader.h"

namespace vantor {

uint32_t ReadAhead::read(SectorReader& reader, uint64_t first, uint32_t count, uint8_t* buffer) {
  const auto inWindow = [&] { return sectors_ > 0 && first >= first_ && first - first_ + count <= sectors_; };
  if (!inWindow() && count <= kWindowSectors) {
    bytes_.resize(static_cast<size_t>(kWindowSectors) * kSectorSize);
    first_ = first;
    sectors_ = kWindowSectors;
    failed_ = !reader.readQuietly(first, kWindowSectors, bytes_.data());
  }
  // Asks inside a window that failed are read on their own: reading the window
  // again would fail again, at the cost of its retries.
  if (!inWindow() || failed_) return reader.read(first, count, buffer);
  std::memcpy(buffer, bytes_.data() + (first - first_) * kSectorSize, static_cast<size_t>(count) * kSectorSize);
  return 1;
}

}  // namespace vantor
