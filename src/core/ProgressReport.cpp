#include "core/ProgressReport.h"

#include "core/SizeText.h"
#include "platform/Utf.h"

namespace vantor {

bool ProgressReport::Due() {
  if (++progressThrottle_ <= 999) return false;
  progressThrottle_ = 0;
  return true;
}

void ProgressReport::Counters(WorkerHost& host, uint32_t folders, uint32_t files, const std::u16string& lastName) {
  host.setCaption(kCaptionFolders, std::to_string(folders));
  host.setCaption(kCaptionFiles, std::to_string(files));
  host.setCaption(kCaptionLastName, Utf16ToUtf8(lastName));
}

void ProgressReport::Report(WorkerHost& host, uint64_t position, uint32_t folders, uint32_t files,
                            const std::u16string& lastName) {
  if (!Due()) return;
  host.setCaption(kCaptionPosition, MegaGigaText(position));
  Counters(host, folders, files, lastName);
}

void ProgressReport::ReportSector(WorkerHost& host, uint64_t sector, uint64_t end, uint32_t folders, uint32_t files,
                                  const std::u16string& lastName) {
  if (!Due()) return;
  host.setCaption(kCaptionPosition, std::to_string(sector) + " / " + std::to_string(end));
  Counters(host, folders, files, lastName);
}

}  // namespace vantor
