// Fuzzes the road from a recovered name to a path under the destination: the
// input's UTF-16 units, split at 0xFFFF into names, become the components of one
// path. Every component must be a single safe name (no "/", no NUL, not empty,
// "." or "..", at most 255 bytes), and the joined path must lie inside the
// destination when it is short enough to exist at all.
#include <limits.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "save/SafeName.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// The destination: a real, empty folder, made once (links are resolved against it).
const std::string& Destination() {
  static const std::string folder = [] {
    std::string pattern = "/tmp/vantor-fuzz-destination-XXXXXX";
    return std::string(::mkdtemp(pattern.data()) != nullptr ? pattern.c_str() : "/tmp");
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  std::vector<std::u16string> names(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0xFFFF) {
      names.emplace_back();
    } else {
      names.back() += unit;
    }
  }
  const std::string& destination = Destination();
  std::string path = destination;
  for (const auto& name : names) {
    std::string safe = vantor::SafeName(name);
    Require(!safe.empty() && safe != "." && safe != "..");
    Require(safe.size() <= vantor::kMaxNameBytes);
    Require(safe.find('/') == std::string::npos && safe.find('\0') == std::string::npos);
    path += "/" + safe;
  }
  // A path of PATH_MAX bytes or more cannot be resolved, nor created: the check
  // then answers "not inside", which is the safe answer.
  if (path.size() < PATH_MAX) Require(vantor::InsideFolder(destination, path));
  return 0;
}
