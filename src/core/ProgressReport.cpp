#include "core/ProgressReport.h"

#include "core/SizeText.h"
#include "platform/Utf.h"

namespace vantor {

void ProgressReport::Report(WorkerHost& host, uint64_t position, uint32_t folders, uint32_t files,
                            const std::u16string& lastName) {
  if (++progressThrottle_ <= 999) return;
  progressThrottle_ = 0;
  host.setCaption(kCaptionPosition, MegaGigaText(position));
  host.setCaption(kCaptionFolders, std::to_string(folders));
  host.setCaption(kCaptionFiles, std::to_string(files));
  host.setCaption(kCaptionLastName, Utf16ToUtf8(lastName));
}

}  // namespace vantor
