// The options that filter what a command takes from the catalog: the saving
// filter of `recover` (--deleted-mode, --modified/--created/--accessed FROM TO,
// --extensions, --fat-chain, --invert-selection) and the search filters of
// `find` (--deleted, --date, --size). Each Take function removes its options
// from the arguments and returns a problem text, or empty.
#pragma once

#include <string>

#include "browser/FileSearch.h"
#include "cli/Commands.h"
#include "save/SavingFilter.h"

namespace vantor::cli {

// A day written DD-MM-YYYY.
std::string ParseDay(const std::string& text, CalendarDate& date);

struct FilterChoice {
  SavingFilter filter;
  bool deletedModeGiven = false;
  bool invertSelection = false;
};
std::string TakeSavingFilter(Arguments& args, FilterChoice& choice);
inline constexpr const char* kSavingFilterUsage =
    "[--deleted-mode include|exclude|only] [--modified|--created|--accessed DD-MM-YYYY DD-MM-YYYY] "
    "[--extensions doc,xls,...] [--fat-chain auto|fat1|fat2|contiguous] [--invert-selection]";

std::string TakeSearchFilters(Arguments& args, SearchQuery& query);
inline constexpr const char* kSearchFiltersUsage =
    "[--deleted include|exclude|only] [--date created|modified|accessed DD-MM-YYYY DD-MM-YYYY] "
    "[--size LOW HIGH Bytes|KB|MB|GB]";

}  // namespace vantor::cli
