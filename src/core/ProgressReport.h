// The progress report that the scans call once per unit of work, and the size
// text of the progress displays and step reports.
//
// Changing labels is slow next to decoding a record, so the report acts on every
// 1000th call only: it shows the position as a size, the folder and file counts
// and the last name found (controls 1035, 1048, 1049 and 1050 of Step 3).
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

class Session;

inline constexpr int kCaptionPosition = 1035;
inline constexpr int kCaptionFolders = 1048;
inline constexpr int kCaptionFiles = 1049;
inline constexpr int kCaptionLastName = 1050;
inline constexpr int kLabelPosition = 1052;

// "%.3f MB" (bytes / 2^20) up to 1073741824 bytes, "%.3f GB" (bytes / 2^30) above.
std::string SizeText(uint64_t bytes);

void ProgressReport(Session& session, uint64_t position, uint32_t folders, uint32_t files,
                    const std::u16string& lastName);

}  // namespace vantor
