// The progress report that every scan calls once per unit of work. Label updates
// are throttled: only every 1000th call reaches the host, which then gets the
// position as a size text (caption 1035), the folder and file counters (1048,
// 1049) and the last name found (1050).
#pragma once

#include <cstdint>
#include <string>

#include "core/WorkerHost.h"

namespace vantor {

inline constexpr int kCaptionPosition = 1035;
inline constexpr int kCaptionFolders = 1048;
inline constexpr int kCaptionFiles = 1049;
inline constexpr int kCaptionLastName = 1050;

// done × 100 / total for a progress bar, at most 100; 0 when there is no total.
inline uint64_t ProgressPercent(uint64_t done, uint64_t total) {
  return total == 0 ? 0 : (done * 100 / total < 100 ? done * 100 / total : 100);
}

class ProgressReport {
 public:
  // Position in bytes; the name is UTF-16 as the records hold it.
  void Report(WorkerHost& host, uint64_t position, uint32_t folders, uint32_t files,
              const std::u16string& lastName);
  // The same for the sector sweeps: the position caption shows "SECTOR / END".
  void ReportSector(WorkerHost& host, uint64_t sector, uint64_t end, uint32_t folders, uint32_t files,
                    const std::u16string& lastName);

 private:
  bool Due();
  void Counters(WorkerHost& host, uint32_t folders, uint32_t files, const std::u16string& lastName);

  uint32_t progressThrottle_ = 0;
};

}  // namespace vantor
