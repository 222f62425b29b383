// A name that was 8-bit stays 8-bit (cut to 200 bytes) while every character of
// the new text fits in one byte; otherwise it becomes the UTF-16 name.
#include "browser/Rename.h"

#include <algorithm>

#include "browser/FolderTree.h"
#include "browser/BrowserContext.h"
#include "platform/Utf.h"

namespace vantor {
namespace {

constexpr size_t kShortNameBytes = 200;

void Replace(RecordName& name, const std::string& text) {
  std::u16string wide = Utf8ToUtf16(text);
  bool fitsShort = std::all_of(wide.begin(), wide.end(), [](char16_t c) { return c <= 0xFF; });
  if (name.isShort() && fitsShort && !wide.empty()) {
    name.shortName.clear();
    for (size_t i = 0; i < wide.size() && i < kShortNameBytes; ++i) name.shortName += static_cast<char>(wide[i]);
    return;
  }
  name.shortName.clear();
  name.longName = std::move(wide);
}

}  // namespace

bool RenameFolder(const BrowserContext& context, uint64_t item, const std::string& newName) {
  TreeNode* node = context.folderTree.node(item);
  if (node == nullptr || node->folder == nullptr || newName.empty()) return false;
  Replace(node->folder->name, newName);
  node->label = TreeLabel(node->folder->name);
  return true;
}

bool RenameFile(const BrowserContext& context, uint32_t fileNumber, const std::string& newName) {
  auto& files = context.catalog.files();
  if (fileNumber >= files.size() || files[fileNumber].fileNumber != fileNumber || newName.empty()) return false;
  Replace(files[fileNumber].name, newName);
  return true;
}

}  // namespace vantor
