// Fuzzes the lost-partition search's sector tests and its analysis, FAT and
// NTFS: the input is a first sector number (8 bytes) and records of a 4-byte
// step and a 512-byte sector, each sector seen at the number the steps add up
// to, as the sweeps meet them; reads of the analysis get those sectors back.
// Every sector is also tested as a loose directory cluster.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

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
  std::map<uint64_t, const uint8_t*> sectors;
  for (size_t at = 8; at + kRecord <= size; at += kRecord) {
    sector += Le(data + at, 4);
    sectors[sector] = data + at + 4;
  }
  const vantor::SectorsRead read = [&](uint64_t first, uint32_t count, uint8_t* buffer) {
    for (uint32_t i = 0; i < count; ++i) {
      auto found = sectors.find(first + i);
      if (found == sectors.end())
        std::memset(buffer + size_t{i} * 512, 0, 512);
      else
        std::memcpy(buffer + size_t{i} * 512, found->second, 512);
    }
  };
  vantor::LostSearchLists lists;
  std::vector<uint8_t> record(vantor::kNtfsCandidateRecordBytes);
  for (const auto& [number, bytes] : sectors) {
    const vantor::ByteView view(bytes, 512);
    vantor::NoteSearchSector(view, number, lists);
    vantor::LooksLikeDirectoryEntries(view, static_cast<uint32_t>(number));
    read(number, 2, record.data());
    vantor::NoteNtfsSector(view, number, record.data(), true, lists.ntfs);
  }
  vantor::WorkerHost host;
  vantor::MatchBootCandidates(lists, read, host);
  vantor::InferFileSystems(lists, size % 2 == 0 ? "FAT16" : "FAT32", host);
  for (const auto& folder : lists.folders)
    if (folder.fileSystemNumber == 0 || folder.fileSystemNumber > static_cast<int32_t>(lists.found.size())) __builtin_trap();

  vantor::NtfsCandidates& ntfs = lists.ntfs;
  vantor::NumberFoldersFromIndexBlocks(ntfs, read, host);
  vantor::NumberRecordsByDiskOrder(ntfs, host);
  for (const auto& boot : ntfs.boots) vantor::ConfirmFileSystem(ntfs, read, boot.sector, boot.sectorsPerCluster, boot.sector + boot.totalSectors, 1, host);
  vantor::FindFileSystemsFromFolderPairs(ntfs, read, sector + 1, 2, host);
  for (const auto& folder : ntfs.folders)
    if (folder.fileSystemNumber < 1) __builtin_trap();
  return 0;
}
