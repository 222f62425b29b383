// Recovered names are untrusted: a damaged or hostile catalog can hold "..", a
// "/", a NUL or a name longer than this machine allows. Every name passes through
// SafeName before it becomes part of a path, and every folder the saver writes
// into is checked to lie inside the destination, so no byte is ever written
// outside it whatever the catalog holds.
#pragma once

#include <string>
#include <cstddef>
#include <string_view>

namespace vantor {

inline constexpr size_t kMaxNameBytes = 255;

// One path component in UTF-8: "/" and NUL become "_", "", "." and ".." become
// "_", "_." and "_..", and the result fits kMaxNameBytes (see FitNameLength).
std::string SafeName(std::u16string_view name);
// Cuts a UTF-8 name to `limit` bytes on a character boundary, keeping an
// extension of up to 16 bytes.
std::string FitNameLength(std::string name, size_t limit = kMaxNameBytes);
// True when `path` (which need not exist yet) resolves to `folder` or to a place
// below it, symbolic links followed.
bool InsideFolder(const std::string& folder, const std::string& path);

}  // namespace vantor
