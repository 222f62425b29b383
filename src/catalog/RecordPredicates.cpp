#include "catalog/RecordPredicates.h"

#include <algorithm>

namespace vantor {
namespace {

int64_t DayValue(const CalendarDate& date) {
  return int64_t{date.year} * 10000 + int64_t{date.month} * 100 + date.day;
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

}  // namespace

bool PassesDeleted(int32_t mode, char deleted) {
  if (mode == kDeletedOnly) return deleted == 'y';
  if (mode == kExcludeDeleted) return deleted != 'y';
  return true;
}

bool SizeWithin(uint64_t size, uint64_t low, uint64_t high) {
  if (high == 0) return true;
  return low != high && size >= low && size <= high;
}

char16_t FoldCase(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x410 && c <= 0x42F))
    return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

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

bool DateWithin(const CalendarDate& date, const CalendarDate& after, const CalendarDate& before) {
  if (date.year > before.year || date.year < after.year) return false;
  return DayValue(date) >= DayValue(after) && DayValue(date) <= DayValue(before);
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

}  // namespace vantor
