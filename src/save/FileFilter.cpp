#include "save/FileFilter.h"

#include <algorithm>

#include "catalog/RecordPredicates.h"
#include "save/SafeName.h"

namespace vantor {
namespace {

bool InRange(const DateRange& range, const CalendarDate& date) {
  return DateWithin(date, {range.afterYear, range.afterMonth, range.afterDay},
                    {range.earlierYear, range.earlierMonth, range.earlierDay});
}

}  // namespace

bool PassesSelection(int32_t selectionMode, char selected) {
  if (selectionMode == kSaveAll) return true;
  return selectionMode == kInvertSelection ? selected != 'y' : selected == 'y';
}

bool PassesDeletedMode(const SavingFilter& filter, char deleted) { return PassesDeleted(filter.deletedMode, deleted); }

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
    if (EqualIgnoringCase(extension, filter.Extension(i))) return true;
  return false;
}

bool IsNtfsSystemRecord(uint32_t key) { return key < 16 && key != kNtfsRootKey; }

bool PassesSystemRule(const SavingFilter& filter, const FileRecord& file, bool ntfs) {
  return !(filter.leaveOutSystemFiles && ntfs && IsNtfsSystemRecord(file.ownKey));
}

bool PassesFilter(const SavingFilter& filter, const FileRecord& file, bool ntfs) {
  return PassesSelection(filter.selectionMode, file.selected) && PassesSystemRule(filter, file, ntfs) &&
         PassesDeletedMode(filter, file.deleted) &&
         PassesDateRanges(filter, file, ntfs) && PassesExtensions(filter, file.name.utf16());
}

}  // namespace vantor
