#include "save/FilterSettings.h"

#include <algorithm>

namespace vantor {

FilterSettingsEdit::FilterSettingsEdit(SavingFilter& filter) : filter_(filter), opened_(filter) {
  const size_t count = std::min<size_t>(static_cast<size_t>(std::max(filter.extensionCount, 0)), kMaxExtensions);
  for (size_t i = count; i-- > 0;) listed_.push_back(filter.Extension(i));
}

DatePositions FilterSettingsEdit::positions(size_t range) const {
  const DateRange& r = filter_.dateRange.at(range);
  if (r.earlierYear == 0) return kUntouchedDates;
  const auto at = [](int32_t value, int32_t first, int32_t last) { return std::clamp(value - first, 0, last - first); };
  return {at(r.earlierDay, 1, 31), at(r.earlierMonth, 1, 12), at(r.earlierYear, 1970, 2030),
          at(r.afterDay, 1, 31),   at(r.afterMonth, 1, 12),   at(r.afterYear, 1970, 2030)};
}

void FilterSettingsEdit::setPositions(size_t range, const DatePositions& p) {
  DateRange& r = filter_.dateRange.at(range);
  if (p == kUntouchedDates) {
    r = {};
    return;
  }
  r = {p[0] + 1, p[1] + 1, p[2] + 1970, p[3] + 1, p[4] + 1, p[5] + 1970};
}

bool FilterSettingsEdit::add(std::u16string_view text, std::string& refusal) {
  refusal.clear();
  if (text.empty()) return false;
  const auto holds = [&](char16_t c) { return text.find(c) != std::u16string_view::npos; };
  if (static_cast<size_t>(std::max(filter_.extensionCount, 0)) + pending_.size() >= kMaxExtensions)
    refusal = kTooManyExtensions;
  else if (text.size() > 4)
    refusal = kExtensionTooLong;
  else if (holds(u' ') || holds(u'\t'))
    refusal = kExtensionBlank;
  else if (holds(u'.'))
    refusal = kExtensionDot;
  else if (holds(u'*'))
    refusal = kExtensionStar;
  else if (std::any_of(listed_.begin(), listed_.end(), [&](const std::u16string& e) { return EqualIgnoringCase(e, text); }))
    refusal = kExtensionListed;
  if (!refusal.empty()) return false;
  listed_.insert(listed_.begin(), std::u16string(text));
  if (filter_.extensionCount == 0)
    filter_.AddExtension(text);
  else
    pending_.emplace_back(text);
  return true;
}

void FilterSettingsEdit::remove(std::u16string_view entry) {
  std::erase_if(listed_, [&](const std::u16string& e) { return e == entry; });
  std::erase_if(pending_, [&](const std::u16string& e) { return e == entry; });
  std::vector<std::u16string> kept;
  for (size_t i = 0; i < static_cast<size_t>(std::max(filter_.extensionCount, 0)) && i < kMaxExtensions; ++i)
    if (filter_.Extension(i) != entry) kept.push_back(filter_.Extension(i));
  filter_.extensions = {};
  filter_.extensionCount = 0;
  for (const auto& e : kept) filter_.AddExtension(e);
}

void FilterSettingsEdit::apply() {
  for (const auto& e : pending_) filter_.AddExtension(e);
  pending_.clear();
}

void FilterSettingsEdit::cancel() {
  filter_ = opened_;
  pending_.clear();
}

}  // namespace vantor
