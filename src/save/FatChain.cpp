#include "save/FatChain.h"

#include <optional>

#include "fat/FatTable.h"

namespace vantor {
namespace {

// Whether an entry names a next cluster: a value from 2 up to the first
// reserved value of the width. End marks of every kind (0xFF8 to 0xFFF, 0xFFF8
// to 0xFFFF, 0x0FFFFFF8 up), the bad-cluster mark, 0 and 1 end the chain; none
// of them is a cluster that could be read.
bool NamesCluster(FileSystemKind width, uint32_t next) {
  switch (width) {
    case FileSystemKind::kFat12: return next >= 2 && next < 0xFF7;
    case FileSystemKind::kFat16: return next >= 2 && next < 0xFFF7;
    case FileSystemKind::kFat32: return next >= 2 && next < 0x0FFFFFF7;
    case FileSystemKind::kUnknown:
    case FileSystemKind::kNtfs: break;
  }
  return false;
}

}  // namespace

std::vector<uint32_t> BuildFatChain(FatTable& table, uint32_t start, uint64_t count) {
  std::vector<uint32_t> list = {start};
  const FileSystemKind width = table.width();
  if (width != FileSystemKind::kFat12 && count == 0) return list;
  while (list.size() <= count) {
    std::optional<uint32_t> next = table.Entry(list.back());
    if (!next || !NamesCluster(width, *next)) break;
    list.push_back(*next);
  }
  return list;
}

}  // namespace vantor
