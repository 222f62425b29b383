// Fuzzes the directory-entry layer on fuzzed directory sectors: every entry of
// every 512-byte piece of the input is decoded, long names reaching back into
// the pieces before it, as the scans do. A long name assembled never runs past
// twenty parts (a deleted one past 255 units and its last part), and every
// name decoded is one a file may bear: refused units were made safe.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>

#include "fat/FatEntries.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16 * 512) return 0;
  const size_t sectors = (size + 511) / 512;
  const auto piece = [&](uint64_t n, vantor::SectorBytes& out) {
    out.fill(0);
    if (n * 512 < size) std::memcpy(out.data(), data + n * 512, std::min<size_t>(512, size - n * 512));
  };
  const vantor::PreviousSector previous = [&](uint64_t& number, vantor::SectorBytes& out) {
    if (number == 0) return false;
    piece(--number, out);
    return true;
  };
  for (size_t s = 0; s < sectors; ++s) {
    vantor::SectorBytes sector;
    piece(s, sector);
    vantor::ByteView view(sector.data(), sector.size());
    vantor::IsDirectoryStart(view);
    for (unsigned e = 0; e < vantor::kEntriesPerSector; ++e) {
      vantor::DecodedEntry entry;
      if (vantor::DecodeEntry(view, s, e, (s + e) % 2 == 0, previous, 850, entry) == vantor::EntryOutcome::kDecoded)
        Require(vantor::IsValidLongName(entry.name));
      std::u16string longName;
      if (vantor::AssembleLongName(view, s, e, previous, longName) == vantor::LongNameFound::kFound)
        Require(longName.size() <= 255 + 13);
    }
  }
  return 0;
}
