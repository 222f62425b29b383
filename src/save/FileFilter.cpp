// Dates are compared as year * 10000 + month * 100 + day, which orders days
// exactly; a packing that gives a month less room than 31 days would make the
// 31st of one month equal to the 1st of the next.
#include "save/FileFilter.h"

#include <algorithm>

#include "save/SafeName.h"

namespace vantor {
namespace {

int64_t DayValue(int64_t year, int64_t month, int64_t day) { return year * 10000 + month * 100 + day; }

bool InRange(const DateRange& range, const CalendarDate& date) {
  if (date.year > range.earlierYear || date.year < range.afterYear) return false;
  int64_t value = DayValue(date.year, date.month, date.day);
  return value >= DayValue(range.afterYear, range.afterMonth, range.afterDay) &&
         value <= DayValue(range.earlierYear, range.earlierMonth, range.earlierDay);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
CalendarDate CivilFromDays(int64_t days) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t mp = (5 * dayOfYear + 2) / 153;
  CalendarDate date;
  date.day = static_cast<int32_t>(dayOfYear - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int32_t>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

char16_t Fold(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
  return c;
}

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

}  // namespace

CalendarDate StampDate(const RecordTime& stamp, bool ntfs) {
  if (ntfs) {
    constexpr int64_t kTicksPerDay = 864000000000;
    constexpr int64_t kDays1601To1970 = 134774;
    uint64_t ticks = (static_cast<uint64_t>(stamp.second) << 32) | stamp.first;
    return CivilFromDays(static_cast<int64_t>(ticks / kTicksPerDay) - kDays1601To1970);
  }
  CalendarDate date;
  date.year = static_cast<int32_t>((stamp.first >> 9) & 0x7F) + 1980;
  date.month = static_cast<int32_t>((stamp.first >> 5) & 0x0F);
  date.day = static_cast<int32_t>(stamp.first & 0x1F);
  return date;
}

bool PassesSelection(int32_t selectionMode, char selected) {
  if (selectionMode == kSaveAll) return true;
  return selectionMode == kInvertSelection ? selected != 'y' : selected == 'y';
}

bool PassesDeletedMode(const SavingFilter& filter, char deleted) {
  if (filter.deletedMode == kDeletedOnly) return deleted == 'y';
  if (filter.deletedMode == kExcludeDeleted) return deleted != 'y';
  return true;
}

bool PassesDateRanges(const SavingFilter& filter, const FileRecord& file, bool ntfs) {
  const RecordTime* stamps[3] = {&file.modified, &file.created, &file.accessed};
  for (size_t i = 0; i < 3; ++i) {
    const DateRange& range = filter.dateRange[i];
    if (range.earlierYear == 0 || range.earlierYear < range.afterYear) continue;
    if (!InRange(range, StampDate(*stamps[i], ntfs))) return false;
  }
  return true;
}

bool PassesExtensions(const SavingFilter& filter, std::u16string_view name) {
  if (filter.extensionCount <= 0) return true;
  size_t dot = name.rfind(u'.');
  std::u16string_view extension = dot == std::u16string_view::npos ? name : name.substr(dot + 1);
  if (extension.size() >= 8) extension = extension.substr(0, 7);
  size_t count = std::min<size_t>(static_cast<size_t>(filter.extensionCount), kMaxExtensions);
  for (size_t i = 0; i < count; ++i)
    if (EqualFolded(extension, filter.Extension(i))) return true;
  return false;
}

bool IsNtfsSystemRecord(uint32_t key) { return key < 16 && key != kNtfsRootKey; }

bool PassesSystemRule(const SavingFilter& filter, const FileRecord& file, bool ntfs) {
  return !(filter.leaveOutSystemFiles && ntfs && IsNtfsSystemRecord(file.ownKey));
}

bool PassesFilter(const SavingFilter& filter, const FileRecord& file, bool ntfs) {
  return PassesSelection(filter.selectionMode, file.selected) && PassesSystemRule(filter, file, ntfs) &&
         PassesDeletedMode(filter, file.deleted) &&
         PassesDateRanges(filter, file, ntfs) && PassesExtensions(filter, NameUtf16(file.name));
}

}  // namespace vantor
