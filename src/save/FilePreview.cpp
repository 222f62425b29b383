#include "save/FilePreview.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Utf.h"
#include "save/SaveContext.h"
#include "save/SaveTree.h"

namespace vantor {
namespace {

// Keeps what is written up to its limit, then refuses, which ends the copy.
class MemoryFile : public OutputFile {
 public:
  MemoryFile(std::vector<uint8_t>& bytes, size_t limit) : bytes_(bytes), limit_(limit) {}
  bool write(const uint8_t* data, size_t length) override {
    const size_t room = limit_ - bytes_.size();
    bytes_.insert(bytes_.end(), data, data + std::min(room, length));
    return length <= room && bytes_.size() < limit_;
  }
  bool commit(const FileTime*, bool) override { return true; }
  std::string error() const override { return "the preview holds enough"; }

 private:
  std::vector<uint8_t>& bytes_;
  size_t limit_;
};

bool StartsWith(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> signature) {
  return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

bool Utf16Text(const std::vector<uint8_t>& bytes) { return StartsWith(bytes, {0xFF, 0xFE}); }

bool ValidUtf8(const std::vector<uint8_t>& bytes, size_t end) {
  for (size_t i = 0; i < end;) {
    const uint8_t b = bytes[i];
    const size_t follow = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 9;
    if (follow == 9) return false;
    if (i + follow >= end) return end >= kPreviewBytes;  // a character cut by the preview's end
    for (size_t k = 1; k <= follow; ++k)
      if ((bytes[i + k] & 0xC0) != 0x80) return false;
    i += follow + 1;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> ReadFileStart(const SaveContext& context, const FileRecord& file, size_t limit) {
  std::vector<uint8_t> bytes;
  if (limit == 0 || file.size() == 0) return bytes;
  SavingRun run;
  const FileCreator memory = [&](const std::string&, std::string&) { return std::make_unique<MemoryFile>(bytes, limit); };
  const SaveContext quiet{context.state,      context.reader, context.catalog, context.mftRunTable, context.folderTree,
                          context.savingFilter, run,           memory,          context.startTime};
  SaveCatalogFile(quiet, "preview", file, false);
  return bytes;
}

PreviewKind PreviewKindOf(const std::vector<uint8_t>& start) {
  if (StartsWith(start, {0xFF, 0xD8, 0xFF}) || StartsWith(start, {0x89, 'P', 'N', 'G'}) ||
      StartsWith(start, {'G', 'I', 'F', '8'}) || StartsWith(start, {'B', 'M'}))
    return PreviewKind::kImage;
  if (start.empty()) return PreviewKind::kHex;
  if (Utf16Text(start)) return PreviewKind::kText;
  const size_t end = std::min<size_t>(start.size(), 4096);
  size_t odd = 0;
  for (size_t i = 0; i < end; ++i) {
    const uint8_t b = start[i];
    if (b == 0) return PreviewKind::kHex;
    if (b < 0x20 && b != '\n' && b != '\r' && b != '\t' && b != '\f') ++odd;
  }
  return odd * 50 <= end ? PreviewKind::kText : PreviewKind::kHex;
}

std::string TextPreview(const std::vector<uint8_t>& start, size_t lines) {
  std::string text;
  if (Utf16Text(start)) {
    std::u16string units;
    for (size_t i = 2; i + 1 < start.size(); i += 2) units += static_cast<char16_t>(start[i] | (start[i + 1] << 8));
    text = Utf16ToUtf8(units);
  } else {
    const std::string_view raw(reinterpret_cast<const char*>(start.data()), start.size());
    text = ValidUtf8(start, start.size()) ? std::string(raw) : Utf16ToUtf8(Latin1ToUtf16(raw));
  }
  size_t at = 0;
  for (size_t n = 0; n < lines && at != std::string::npos; ++n) {
    at = text.find('\n', at);
    if (at != std::string::npos) ++at;
  }
  if (at != std::string::npos) text.resize(at);
  return text;
}

std::string HexPreview(const std::vector<uint8_t>& start, size_t bytes) {
  std::string out;
  const size_t end = std::min(bytes, start.size());
  for (size_t line = 0; line < end; line += 16) {
    char cell[24];
    std::snprintf(cell, sizeof cell, "%08zx ", line);
    out += cell;
    std::string shown;
    for (size_t i = line; i < line + 16; ++i) {
      if (i < end) {
        std::snprintf(cell, sizeof cell, " %02x", start[i]);
        out += cell;
        shown += start[i] >= 0x20 && start[i] < 0x7F ? static_cast<char>(start[i]) : '.';
      } else {
        out += "   ";
      }
    }
    out += "  |" + shown + "|\n";
  }
  return out;
}

}  // namespace vantor
