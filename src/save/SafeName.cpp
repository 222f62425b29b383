#include "save/SafeName.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr size_t kKeptExtensionBytes = 16;

// The length of the longest prefix of at most `limit` bytes that ends on a
// character boundary.
size_t Boundary(const std::string& text, size_t limit) {
  if (limit >= text.size()) return text.size();
  while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
  return limit;
}

}  // namespace

std::string SafeName(std::u16string_view name) {
  std::string text = Utf16ToUtf8(name);
  for (char& c : text)
    if (c == '/' || c == '\0') c = '_';
  if (text.empty() || text == "." || text == "..") text = "_" + text;
  return FitNameLength(std::move(text));
}

std::string FitNameLength(std::string name, size_t limit) {
  if (name.size() <= limit) return name;
  size_t dot = name.rfind('.');
  std::string extension;
  if (dot != std::string::npos && dot > 0 && name.size() - dot <= kKeptExtensionBytes && name.size() - dot < limit)
    extension = name.substr(dot);
  std::string stem = name.substr(0, name.size() - extension.size());
  return stem.substr(0, Boundary(stem, limit - extension.size())) + extension;
}

bool InsideFolder(const std::string& folder, const std::string& path) {
  std::error_code error;
  std::filesystem::path base = std::filesystem::canonical(folder, error);
  if (error) return false;
  std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  if (error) return false;
  auto mismatch = std::mismatch(base.begin(), base.end(), target.begin(), target.end());
  return mismatch.first == base.end();
}

}  // namespace vantor
