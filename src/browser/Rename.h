// Renaming a folder or a file from the Step 4 list (label editing, F2). The new
// text replaces the record's name; a folder's tree label follows. The saver then
// writes the item under its new name.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

struct BrowserContext;

// The folder shown by tree item `item`; false when there is none.
bool RenameFolder(const BrowserContext& context, uint64_t item, const std::string& newName);
// The file of `fileNumber`; false when there is none.
bool RenameFile(const BrowserContext& context, uint32_t fileNumber, const std::string& newName);

}  // namespace vantor
