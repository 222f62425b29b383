// Fuzzes the map of an image that a resumed copy trusts: any text is read
// without a crash, and a map that reads is one whose place lies in its range,
// that names its source, and whose text reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/ImageMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 14) return 0;
  vantor::ImageMap map;
  if (!map.parse(std::string(reinterpret_cast<const char*>(data), size), "fuzzed").empty()) return 0;
  if (map.next < map.start || map.next > map.end || map.source.empty()) __builtin_trap();
  vantor::ImageMap again;
  if (!again.parse(map.text(), "again").empty() || again.source != map.source || again.start != map.start ||
      again.end != map.end || again.next != map.next || again.pieces != map.pieces ||
      again.unreadable != map.unreadable)
    __builtin_trap();
  return 0;
}
