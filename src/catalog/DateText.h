// The date texts of the Step 4 browser, shared by the wizard and the command line.
//
// FAT keeps local DOS words: the date has the day in bits 0-4, the month in 5-8
// and the year - 1980 in 9-15; the time has the hour in 11-15 and the minute in
// 5-10 (seconds are not shown). NTFS keeps 100-ns units since 1601-01-01, shown
// as stored, without a change to local time. Months outside 1-12 show "Err".
#pragma once

#include <string>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

// "05-Mar-2012 14:07" from (DOS date, DOS time).
std::string FatDateText(const RecordTime& time);
// "05-Mar-2012 14:07:09" from (low half, high half) of a file time.
std::string NtfsDateText(const RecordTime& time);

}  // namespace vantor
