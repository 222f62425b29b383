#include "save/SavingFilter.h"

namespace vantor {

bool SavingFilter::AddExtension(std::u16string_view extension) {
  if (extensionCount < 0 || static_cast<size_t>(extensionCount) >= kMaxExtensions) return false;
  auto& slot = extensions[static_cast<size_t>(extensionCount++)];
  slot.fill(0);
  for (size_t i = 0; i < extension.size() && i < kExtensionSlot - 2; ++i) slot[i] = extension[i];
  return true;
}

std::u16string SavingFilter::Extension(size_t index) const {
  if (index >= kMaxExtensions) return {};
  const auto& slot = extensions[index];
  std::u16string text;
  for (char16_t c : slot) {
    if (c == 0) break;
    text += c;
  }
  return text;
}

}  // namespace vantor
