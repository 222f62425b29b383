// The tests on catalog records that the saving filter applies and the file
// search will: the calendar date of a time stamp, a day within a range, and
// names compared without regard to case.
//
// Dates are compared as year * 10000 + month * 100 + day, which orders days
// exactly; a packing that gives a month less room than 31 days would make the
// 31st of one month equal to the 1st of the next.
#pragma once

#include <cstdint>
#include <string_view>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct CalendarDate {
  int32_t year = 0, month = 0, day = 0;
};

// The calendar date of a stamp: NTFS file times as stored (no time-zone
// conversion), DOS dates by their fields.
CalendarDate StampDate(const RecordTime& stamp, bool ntfs);

// True when `date` lies from `after` to `before`, both days included.
bool DateWithin(const CalendarDate& date, const CalendarDate& after, const CalendarDate& before);

// Equal names without regard to case: A-Z and the Latin-1 capitals fold to
// their small letters.
bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace vantor
