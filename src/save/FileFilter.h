// The per-file tests of the saving filter: selection, deleted state, date ranges
// and extension list. The saver applies them while it writes; the sizing walk of
// the destination check applies the same tests to count what will be written.
#pragma once

#include <string_view>

#include "catalog/RecoveryCatalog.h"
#include "save/SavingFilter.h"

namespace vantor {

// selectionMode 0 takes 'y' only, 2 everything but 'y', 1 everything.
bool PassesSelection(int32_t selectionMode, char selected);
bool PassesDeletedMode(const SavingFilter& filter, char deleted);
// `ntfs`: the stamps are file times, else DOS date and time words.
bool PassesDateRanges(const SavingFilter& filter, const FileRecord& file, bool ntfs);
bool PassesExtensions(const SavingFilter& filter, std::u16string_view name);
// NTFS records below 16 are the volume's own files ($MFT, $LogFile, $Boot,
// $Extend, ...), not the user's.
bool IsNtfsSystemRecord(uint32_t key);
// False for an NTFS system file while the filter leaves them out.
bool PassesSystemRule(const SavingFilter& filter, const FileRecord& file, bool ntfs);
// All of these, for the sizing walk.
bool PassesFilter(const SavingFilter& filter, const FileRecord& file, bool ntfs);

}  // namespace vantor
