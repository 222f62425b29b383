#include "core/ProgressReport.h"

#include <cstdio>

#include "core/Session.h"
#include "platform/Utf.h"

namespace vantor {

std::string SizeText(uint64_t bytes) {
  char text[64];
  if (bytes <= (uint64_t{1} << 30))
    std::snprintf(text, sizeof text, "%.3f MB", static_cast<double>(bytes) / (1 << 20));
  else
    std::snprintf(text, sizeof text, "%.3f GB", static_cast<double>(bytes) / (1 << 30));
  return text;
}

void ProgressReport(Session& session, uint64_t position, uint32_t folders, uint32_t files,
                    const std::u16string& lastName) {
  if (++session.progressThrottle <= 999) return;
  session.progressThrottle = 0;
  WorkerHost& host = session.host();
  host.setCaption(kCaptionPosition, SizeText(position));
  host.setCaption(kCaptionFolders, std::to_string(folders));
  host.setCaption(kCaptionFiles, std::to_string(files));
  host.setCaption(kCaptionLastName, Utf16ToUtf8(lastName));
}

}  // namespace vantor
