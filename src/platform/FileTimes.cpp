#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

namespace vantor {

bool LocalTimeToFileTime(int year, int month, int day, int hour, int minute, int second, FileTime& time) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59)
    return false;
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  std::time_t seconds = std::mktime(&fields);
  if (seconds == static_cast<std::time_t>(-1)) return false;
  time.seconds = static_cast<int64_t>(seconds);
  time.nanoseconds = 0;
  return true;
}

std::string IsoUtcText(const FileTime& time) {
  const std::time_t t = static_cast<std::time_t>(time.seconds);
  std::tm utc{};
  char text[32];
  if (::gmtime_r(&t, &utc) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) return {};
  return text;
}

FileTime NtfsTimeToFileTime(uint64_t ntfsTime) {
  constexpr int64_t kTicksPerSecond = 10000000;
  constexpr int64_t kSeconds1601To1970 = 11644473600;
  FileTime time;
  time.seconds = static_cast<int64_t>(ntfsTime / kTicksPerSecond) - kSeconds1601To1970;
  time.nanoseconds = static_cast<uint32_t>(ntfsTime % kTicksPerSecond) * 100;
  return time;
}

bool FileTimeSettable(const FileTime& time) {
  constexpr int64_t kLastExt4Second = 0x37FFFFFFF;
  return time.seconds >= 0 && time.seconds <= kLastExt4Second;
}

namespace {

// The access time left alone, the modification time set.
struct LastWriteTimes {
  struct timespec times[2];
  explicit LastWriteTimes(const FileTime& time) {
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(time.seconds);
    times[1].tv_nsec = static_cast<long>(time.nanoseconds);
  }
};

}  // namespace

bool SetLastWriteTime(const std::string& path, const FileTime& time) {
  return ::utimensat(AT_FDCWD, path.c_str(), LastWriteTimes(time).times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetLastWriteTime(int fd, const FileTime& time) { return ::futimens(fd, LastWriteTimes(time).times) == 0; }

}  // namespace vantor
