#include "core/SizeText.h"

#include <cstdio>

namespace vantor {

std::string MegaGigaText(uint64_t bytes) {
  char text[64];
  if (bytes <= kGigaByte)
    std::snprintf(text, sizeof text, "%.3f MB", static_cast<double>(bytes) / kMegaByte);
  else
    std::snprintf(text, sizeof text, "%.3f GB", static_cast<double>(bytes) / kGigaByte);
  return text;
}

}  // namespace vantor
