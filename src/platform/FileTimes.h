// File times of this machine: local calendar times to seconds since the epoch by
// the machine's time-zone rules, NTFS file times (100 ns since 1601, UTC) to the
// same, and setting a file's last-write time alone.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

struct FileTime {
  int64_t seconds = 0;  // since 1970-01-01 UTC
  uint32_t nanoseconds = 0;
};

// A local calendar time; false when the fields form no valid time (month 1-12,
// day 1-31, hour 0-23, minute and second 0-59).
bool LocalTimeToFileTime(int year, int month, int day, int hour, int minute, int second, FileTime& time);
FileTime NtfsTimeToFileTime(uint64_t ntfsTime);
// "2012-03-05T13:07:09Z"; empty for a time that cannot be shown.
std::string IsoUtcText(const FileTime& time);
// True for a time from 1970 up to the last second ext4 can hold (2446): one
// outside would be set as some other, clamped date.
bool FileTimeSettable(const FileTime& time);
// Sets the last-write (modification) time only; the access time is left alone.
// False on failure.
bool SetLastWriteTime(const std::string& path, const FileTime& time);
// The same for an open file.
bool SetLastWriteTime(int fd, const FileTime& time);

}  // namespace vantor
