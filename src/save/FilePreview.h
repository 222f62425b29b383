// A look inside a found file before it is saved: its first bytes, read by the
// saver's own readers into memory, and what they look like: text (its first
// lines), a picture (left to the front end to draw), or anything else as a hex
// dump of its first two sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct SaveContext;

inline constexpr size_t kPreviewBytes = 64 * 1024;
inline constexpr size_t kPreviewImageBytes = 16 * 1024 * 1024;
inline constexpr size_t kPreviewLines = 40;
inline constexpr size_t kPreviewHexBytes = 1024;

// At most `limit` bytes from the start of `file`. Nothing is written anywhere and
// the context's saving run is left as it was.
std::vector<uint8_t> ReadFileStart(const SaveContext& context, const FileRecord& file, size_t limit);

enum class PreviewKind { kText, kImage, kHex };
// JPEG, PNG, GIF and BMP by their signatures; text when the bytes hold no NUL
// (UTF-16 text by its byte-order mark) and almost only printable characters.
PreviewKind PreviewKindOf(const std::vector<uint8_t>& start);
// The first lines of a text, as UTF-8 (bytes that are not UTF-8 taken as Latin-1).
std::string TextPreview(const std::vector<uint8_t>& start, size_t lines = kPreviewLines);
// "00000000  4d 5a 90 00 ...  |MZ..|", 16 bytes a line.
std::string HexPreview(const std::vector<uint8_t>& start, size_t bytes = kPreviewHexBytes);

}  // namespace vantor
