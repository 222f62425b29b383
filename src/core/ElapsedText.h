// Elapsed time as the steps and the logs show it: "H : M : S", unpadded.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

inline std::string ElapsedText(uint64_t seconds) {
  return std::to_string(seconds / 3600) + " : " + std::to_string(seconds / 60 % 60) + " : " +
         std::to_string(seconds % 60);
}

}  // namespace vantor
