// A name that was 8-bit stays 8-bit (cut to 200 bytes) while every character of
// the new text fits in one byte; otherwise it becomes the UTF-16 name.
#include "browser/Rename.h"

#include <algorithm>

#include "browser/BrowserContext.h"
#include "browser/FolderTree.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr size_t kShortNameBytes = 200;

bool Replace(RecoveryCatalog& catalog, RecordName& name, const std::string& text) {
  std::u16string wide = Utf8ToUtf16(text);
  bool fitsShort = std::all_of(wide.begin(), wide.end(), [](char16_t c) { return c <= 0xFF; });
  if (name.isShort() && fitsShort && !wide.empty()) {
    std::string bytes;
    for (size_t i = 0; i < wide.size() && i < kShortNameBytes; ++i) bytes += static_cast<char>(wide[i]);
    return catalog.Rename(name, bytes, {});
  }
  return catalog.Rename(name, {}, wide);
}

}  // namespace

bool RenameFolder(const BrowserContext& context, uint64_t item, const std::string& newName) {
  TreeNode* node = context.folderTree.node(item);
  if (node == nullptr || node->folder == nullptr || newName.empty()) return false;
  if (!Replace(context.catalog, node->folder->name, newName)) return false;
  node->label = TreeLabel(node->folder->name);
  return true;
}

bool RenameFile(const BrowserContext& context, uint32_t fileNumber, const std::string& newName) {
  auto& files = context.catalog.files();
  if (fileNumber >= files.size() || files[fileNumber].fileNumber != fileNumber || newName.empty()) return false;
  return Replace(context.catalog, files[fileNumber].name, newName);
}

}  // namespace vantor
