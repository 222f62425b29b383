// The file systems the engines read. The names ("FAT12", ..., "NTFS") belong to
// the edges: the listing, the logs, the state files; inside, the kind decides.
#pragma once

#include <string_view>

namespace vantor {

enum class FileSystemKind { kUnknown, kFat12, kFat16, kFat32, kNtfs };

constexpr FileSystemKind FileSystemKindOf(std::u16string_view name) {
  if (name == u"FAT12") return FileSystemKind::kFat12;
  if (name == u"FAT16") return FileSystemKind::kFat16;
  if (name == u"FAT32") return FileSystemKind::kFat32;
  if (name == u"NTFS") return FileSystemKind::kNtfs;
  return FileSystemKind::kUnknown;
}

constexpr bool IsFat(FileSystemKind kind) {
  return kind == FileSystemKind::kFat12 || kind == FileSystemKind::kFat16 || kind == FileSystemKind::kFat32;
}

}  // namespace vantor
