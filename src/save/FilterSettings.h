// The edit of the saving filter that the Settings dialog makes and that the
// command line's filter options make the same way. The radio buttons and the
// date ranges change the filter at once; extensions added wait for Apply, and
// Cancel puts back everything as it stood when the edit began.
//
// A date range is shown as six combo positions: "Earlier" (the last day taken)
// day 0-30, month 0-11, year 0-60 (1970-2030), then "After" (the first day) the
// same. Earlier 31-12-2030 and After 01-01-1970, the positions the dialog starts
// at, switch the range off.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "save/SavingFilter.h"

namespace vantor {

using DatePositions = std::array<int32_t, 6>;
inline constexpr DatePositions kUntouchedDates = {30, 11, 60, 0, 0, 0};

inline constexpr const char* kTooManyExtensions = "Cannot add more extensions.";
inline constexpr const char* kExtensionTooLong = "Extension should not exceed more than 4 characters.";
inline constexpr const char* kExtensionBlank = "Extension should not contain blank space.";
inline constexpr const char* kExtensionDot =
    "Do not include \".\" (DOT) in extension. Enter extensions like this : tmp,html,bak etc..";
inline constexpr const char* kExtensionStar =
    "Do not include \"*\" in extension. Enter extensions like this : tmp,html,bak etc..";
inline constexpr const char* kExtensionListed = "This extension already exist. Enter different extension.";

class FilterSettingsEdit {
 public:
  explicit FilterSettingsEdit(SavingFilter& filter);

  // Range 0 modified, 1 created, 2 accessed.
  DatePositions positions(size_t range) const;
  void setPositions(size_t range, const DatePositions& positions);

  // The list box, top first: the filter's extensions, those added since on top.
  const std::vector<std::u16string>& listed() const { return listed_; }
  // Adds an extension, or says why not (the first refusal of the dialog's
  // order); an empty text adds nothing and says nothing.
  bool add(std::u16string_view text, std::string& refusal);
  // Takes a listed extension out of the list, the filter and what waits for Apply.
  void remove(std::u16string_view entry);
  // Appends the extensions that wait.
  void apply();
  // Back to the filter as it was when the edit began.
  void cancel();

 private:
  SavingFilter& filter_;
  SavingFilter opened_;
  std::vector<std::u16string> pending_;
  std::vector<std::u16string> listed_;
};

}  // namespace vantor
