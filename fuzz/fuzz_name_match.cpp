// Fuzzes the search's name test against a plain dynamic-programming matcher: the
// input is a pattern and a name (split at the first 0 byte), each unit a byte
// mapped onto a small alphabet that holds "*", "?", "." and letters of both cases.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/NameMatch.h"

namespace {

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// The whole name against a pattern with "*": table[i][j] is whether the first i
// units of the name fit the first j of the pattern.
bool Reference(const std::u16string& name, const std::u16string& pattern) {
  std::vector<std::vector<bool>> fit(name.size() + 1, std::vector<bool>(pattern.size() + 1, false));
  fit[0][0] = true;
  for (size_t j = 1; j <= pattern.size(); ++j) fit[0][j] = fit[0][j - 1] && pattern[j - 1] == u'*';
  for (size_t i = 1; i <= name.size(); ++i)
    for (size_t j = 1; j <= pattern.size(); ++j) {
      const char16_t p = pattern[j - 1];
      fit[i][j] = p == u'*' ? fit[i][j - 1] || fit[i - 1][j]
                            : fit[i - 1][j - 1] && (p == u'?' || Fold(p) == Fold(name[i - 1]));
    }
  return fit[name.size()][pattern.size()];
}

bool Expected(const std::u16string& name, const std::u16string& pattern) {
  if (name.empty() || pattern.empty()) return false;
  const bool star = pattern.find(u'*') != std::u16string::npos;
  if (pattern == u"*.*") return name.find(u'.') != std::u16string::npos;
  if (star) return Reference(name, pattern);
  if (pattern.size() > name.size()) return false;
  if (pattern.find(u'?') == std::u16string::npos) {
    for (size_t at = 0; at + pattern.size() <= name.size(); ++at)
      if (Reference(name.substr(at, pattern.size()), pattern)) return true;
    return false;
  }
  return Reference(name.substr(0, pattern.size()), pattern);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512) return 0;
  static const char16_t kAlphabet[] = u"*?.aAbBc";
  std::u16string pattern, name;
  std::u16string* into = &pattern;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && into == &pattern) {
      into = &name;
      continue;
    }
    into->push_back(kAlphabet[data[i] % 8]);
  }
  if (vantor::NameMatches(name, pattern) != Expected(name, pattern)) __builtin_trap();
  return 0;
}
