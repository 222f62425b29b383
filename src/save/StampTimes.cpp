// A DOS month of 0 or above 12 is taken as December; a day of 0, an hour above
// 23 or a minute above 59 forms no time. NTFS keeps its file times in UTC, so
// they are used as they stand; a stamp of 0 is no time at all, and set anyway it
// would be clamped to a wrong date such as 1901-12-13.
#include "save/StampTimes.h"

#include <algorithm>

namespace vantor {

bool DosFileTime(uint16_t dosTime, uint16_t dosDate, FileTime& time) {
  int month = (dosDate >> 5) & 0x0F;
  if (month == 0 || month > 12) month = 12;
  const int seconds = std::min((dosTime & 0x1F) * 2, 59);
  return LocalTimeToFileTime(((dosDate >> 9) & 0x7F) + 1980, month, dosDate & 0x1F, (dosTime >> 11) & 0x1F,
                             (dosTime >> 5) & 0x3F, seconds, time);
}

bool NtfsFileTime(const RecordTime& stamp, FileTime& time) {
  uint64_t ticks = (static_cast<uint64_t>(stamp.second) << 32) | stamp.first;
  if (ticks == 0) return false;
  time = NtfsTimeToFileTime(ticks);
  return FileTimeSettable(time);
}

bool StampFileTime(const RecordTime& stamp, bool ntfs, FileTime& time) {
  if (ntfs) return NtfsFileTime(stamp, time);
  if (!DosFileTime(static_cast<uint16_t>(stamp.second), static_cast<uint16_t>(stamp.first), time)) return false;
  const uint32_t hundredths = stamp.second >> kFatHundredthsShift;
  time.seconds += hundredths / 100;
  time.nanoseconds = hundredths % 100 * 10'000'000;
  return FileTimeSettable(time);
}

}  // namespace vantor
