// The saving filter that the Settings dialog edits and the saver and the sizing
// walk apply. Every field starts at 0: save the selection, deleted files included,
// no date range, no extension list, FAT chains chosen automatically.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "catalog/RecordPredicates.h"

namespace vantor {

enum SelectionMode : int32_t { kSaveSelected = 0, kSaveAll = 1, kInvertSelection = 2 };
enum FatChainSource : int32_t { kChainAuto = 0, kChainFat1 = 1, kChainFat2 = 2, kChainContiguous = 3 };

// One range: "earlier" is the upper bound, "after" the lower; both inclusive.
// earlierYear 0 switches the range off.
struct DateRange {
  int32_t earlierDay = 0, earlierMonth = 0, earlierYear = 0;
  int32_t afterDay = 0, afterMonth = 0, afterYear = 0;
};

inline constexpr size_t kMaxExtensions = 100;
inline constexpr size_t kExtensionSlot = 6;  // UTF-16 units, an entry is at most 4

struct SavingFilter {
  int32_t selectionMode = kSaveSelected;
  int32_t deletedMode = kIncludeDeleted;
  std::array<DateRange, 3> dateRange{};  // modified, created, accessed
  std::array<std::array<char16_t, kExtensionSlot>, kMaxExtensions> extensions{};
  int32_t extensionCount = 0;
  int32_t fatChainSource = kChainAuto;
  // The command line's --all and --deleted-only leave the NTFS system files
  // ($MFT, $LogFile, ... and the $Extend folder) out unless asked for them.
  bool leaveOutSystemFiles = false;

  // Appends an entry (cut to 4 units); false when the list is full.
  bool AddExtension(std::u16string_view extension);
  std::u16string Extension(size_t index) const;
};

}  // namespace vantor
