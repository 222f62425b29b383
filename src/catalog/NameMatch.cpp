#include "catalog/NameMatch.h"

#include "catalog/RecordPredicates.h"

namespace vantor {
namespace {

bool Fits(char16_t patternChar, char16_t nameChar) {
  return patternChar == u'?' || FoldCase(patternChar) == FoldCase(nameChar);
}

bool Contains(std::u16string_view name, std::u16string_view part) {
  for (size_t at = 0; at + part.size() <= name.size(); ++at) {
    size_t i = 0;
    while (i < part.size() && FoldCase(part[i]) == FoldCase(name[at + i])) ++i;
    if (i == part.size()) return true;
  }
  return false;
}

// The whole name against a pattern with "*": on a mismatch the last "*" takes
// one more character and the rest is tried again, which finds a fit whenever
// there is one in at most name × pattern steps.
bool Glob(std::u16string_view name, std::u16string_view pattern) {
  size_t n = 0, p = 0;
  size_t star = std::u16string_view::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      starName = n;
    } else if (p < pattern.size() && Fits(pattern[p], name[n])) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool NameMatches(std::u16string_view name, std::u16string_view pattern) {
  if (name.empty() || pattern.empty()) return false;
  const bool star = pattern.find(u'*') != std::u16string_view::npos;
  if (!star && pattern.size() > name.size()) return false;
  if (pattern == u"*") return true;
  if (pattern == u"*.*") return name.find(u'.') != std::u16string_view::npos;
  if (star) return Glob(name, pattern);
  if (pattern.find(u'?') == std::u16string_view::npos) return Contains(name, pattern);
  for (size_t i = 0; i < pattern.size(); ++i)
    if (!Fits(pattern[i], name[i])) return false;
  return true;
}

}  // namespace vantor
