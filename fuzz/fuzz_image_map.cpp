// Fuzzes the map of an image that a resumed copy trusts: any text is loaded
// without a crash, and a map that loads is one whose place lies in its range
// and that is written and read back the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imaging/ImageMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 14) return 0;
  static const std::string base = "/tmp/vantor-fuzz-map-" + std::to_string(::getpid());
  std::FILE* file = std::fopen((base + ".map").c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  vantor::ImageMap map;
  if (!map.load(base + ".map").empty()) return 0;
  if (map.next < map.start || map.next > map.end) __builtin_trap();
  if (!map.save(base + "-again.map")) return 0;
  vantor::ImageMap again;
  if (!again.load(base + "-again.map").empty() || again.start != map.start || again.end != map.end ||
      again.next != map.next || again.unreadable != map.unreadable)
    __builtin_trap();
  return 0;
}
