// Fuzzes the lost-partition search's sector tests and its analysis: the input is
// a first sector number (8 bytes) and records of a 4-byte step and a 512-byte
// sector, each sector seen at the number the steps add up to, as the sweep
// meets them. Every sector is also tested as a loose directory cluster.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/WorkerHost.h"
#include "fat/FatEntries.h"
#include "lost/FatCandidates.h"

namespace {

uint64_t Le(const uint8_t* bytes, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kRecord = 4 + 512;
  if (size < 8 || size > 8 + 64 * kRecord) return 0;
  uint64_t sector = Le(data, 8);
  vantor::LostSearchLists lists;
  for (size_t at = 8; at + kRecord <= size; at += kRecord) {
    sector += Le(data + at, 4);
    const vantor::ByteView view(data + at + 4, 512);
    vantor::NoteSearchSector(view, sector, lists);
    vantor::LooksLikeDirectoryEntries(view, static_cast<uint32_t>(sector));
  }
  vantor::WorkerHost host;
  vantor::MatchBootCandidates(lists, host);
  vantor::InferFileSystems(lists, size % 2 == 0 ? "FAT16" : "FAT32", host);
  for (const auto& folder : lists.folders)
    if (folder.fileSystemNumber == 0 || folder.fileSystemNumber > static_cast<int32_t>(lists.found.size())) __builtin_trap();
  return 0;
}
