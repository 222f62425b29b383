// The tests on catalog records that the saving filter and the file search share:
// the deleted state, the calendar date of a time stamp, a day within a range, a
// size within bounds, and names compared without regard to case.
//
// Dates are compared as year * 10000 + month * 100 + day, which orders days
// exactly; a packing that gives a month less room than 31 days would make the
// 31st of one month equal to the 1st of the next.
#pragma once

#include <cstdint>
#include <string_view>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

enum DeletedMode : int32_t { kIncludeDeleted = 0, kExcludeDeleted = 1, kDeletedOnly = 2 };

// Exclude keeps records whose `deleted` is not 'y', Only those whose it is.
bool PassesDeleted(int32_t mode, char deleted);

struct CalendarDate {
  int32_t year = 0, month = 0, day = 0;
};

// The calendar date of a stamp: NTFS file times as stored (no time-zone
// conversion), DOS dates by their fields.
CalendarDate StampDate(const RecordTime& stamp, bool ntfs);

// True when `date` lies from `after` to `before`, both days included.
bool DateWithin(const CalendarDate& date, const CalendarDate& after, const CalendarDate& before);

// True when `size` lies from `low` to `high`. An upper bound of 0 lets every
// size pass, and equal bounds let none: the search dialog starts at "0" to "2"
// and treats those two cases so.
bool SizeWithin(uint64_t size, uint64_t low, uint64_t high);

// The letter that `c` stands for without regard to case: A-Z, the Latin-1
// capitals and the Cyrillic capitals fold to their small letters.
char16_t FoldCase(char16_t c);

// Equal names without regard to case: A-Z and the Latin-1 capitals fold to
// their small letters.
bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace vantor
