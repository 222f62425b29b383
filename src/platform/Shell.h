// Opening a file with the program this desktop associates with it (xdg-open).
#pragma once

#include <string>

namespace vantor {

// True when the desktop opened the file; false when it could not (no program is
// associated, or there is no desktop).
bool OpenWithShell(const std::string& path);

}  // namespace vantor
