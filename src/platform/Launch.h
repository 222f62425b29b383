// Opening a file with the desktop's default program (xdg-open), without waiting.
#pragma once

#include <string>

namespace vantor {

// True when the opener was started.
bool OpenWithDefaultProgram(const std::string& path);

}  // namespace vantor
