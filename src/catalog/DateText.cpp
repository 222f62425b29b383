#include "catalog/DateText.h"

#include <cstdint>

namespace vantor {
namespace {

const char* MonthName(unsigned month) {
  static constexpr const char* kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return month >= 1 && month <= 12 ? kNames[month - 1] : "Err";
}

struct CivilDate {
  int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
};

// The proleptic Gregorian date of a day count from 1970-01-01.
CivilDate FromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shifted = (5 * dayOfYear + 2) / 153;
  CivilDate date;
  date.day = static_cast<unsigned>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  date.month = static_cast<unsigned>(shifted < 10 ? shifted + 3 : shifted - 9);
  date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

// Appends `value` in decimal, with leading zeros up to `digits` digits. The
// scan formats three dates per record, so this stays clear of snprintf.
void AppendDecimal(std::string& text, uint64_t value, int digits) {
  char reversed[24];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count < digits && count < static_cast<int>(sizeof reversed)) reversed[count++] = '0';
  while (count > 0) text += reversed[--count];
}

// "DD-Mon-YEAR HH:MM", and ":SS" when `second` is given.
std::string DateText(unsigned day, unsigned month, uint64_t year, unsigned hour, unsigned minute, int second) {
  std::string text;
  text.reserve(24);
  AppendDecimal(text, day, 2);
  text += '-';
  text += MonthName(month);
  text += '-';
  AppendDecimal(text, year, 1);
  text += ' ';
  AppendDecimal(text, hour, 2);
  text += ':';
  AppendDecimal(text, minute, 2);
  if (second >= 0) {
    text += ':';
    AppendDecimal(text, static_cast<uint64_t>(second), 2);
  }
  return text;
}

}  // namespace

std::string FatDateText(const RecordTime& time) {
  const uint32_t date = time.first & 0xFFFF, clock = time.second & 0xFFFF;
  return DateText(date & 0x1F, (date >> 5) & 0x0F, (date >> 9) + 1980, clock >> 11, (clock >> 5) & 0x3F, -1);
}

std::string NtfsDateText(const RecordTime& time) {
  constexpr uint64_t kUnitsPerSecond = 10000000;
  constexpr int64_t kDaysFrom1601To1970 = 134774;
  const uint64_t units = (static_cast<uint64_t>(time.second) << 32) | time.first;
  // Values with the top bit set are no valid time; their fields read as zeros.
  if (units >> 63 != 0) return "00-Err-0000 00:00:00";
  const uint64_t seconds = units / kUnitsPerSecond;
  // From 1601 on, the year is never below 1601.
  const CivilDate date = FromDays(static_cast<int64_t>(seconds / 86400) - kDaysFrom1601To1970);
  const uint64_t ofDay = seconds % 86400;
  return DateText(date.day, date.month, static_cast<uint64_t>(date.year), static_cast<unsigned>(ofDay / 3600),
                  static_cast<unsigned>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
}

}  // namespace vantor
