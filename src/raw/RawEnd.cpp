#include "raw/RawEnd.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/Sector.h"

namespace vantor {
namespace {

// "text" as UTF-16LE, the first `bytes` bytes of it.
std::string Wide(const char* text, size_t bytes) {
  std::string wide;
  for (const char* c = text; *c != '\0'; ++c) wide += std::string{*c, '\0'};
  return wide.substr(0, bytes);
}

uint32_t NextNumber(FileTypeRule& rule) { return rule.counter++; }

// Whether `pattern` stands anywhere in the `size` bytes at `data`. The end
// markers are short and the sectors looked at are mostly other bytes, so the
// first byte is looked for with memchr and only its places compared.
bool Contains(const uint8_t* data, size_t size, std::string_view pattern) {
  if (pattern.empty() || pattern.size() > size) return pattern.empty();
  const auto first = static_cast<uint8_t>(pattern[0]);
  const uint8_t* last = data + (size - pattern.size());
  for (const uint8_t* at = data; at <= last; ++at) {
    at = static_cast<const uint8_t*>(std::memchr(at, first, static_cast<size_t>(last - at) + 1));
    if (at == nullptr) return false;
    if (std::memcmp(at + 1, pattern.data() + 1, pattern.size() - 1) == 0) return true;
  }
  return false;
}

}  // namespace

std::string CompoundSubType(ByteView sector) {
  static const std::string root = Wide("Root Entry", 20);
  if (!sector.matches(0, root)) return {};
  static const struct {
    std::string name;
    const char* type;
  } kinds[] = {{Wide("WordDocument", 24), "DOC"},
               {Wide("Workbook", 16), "XLS"},
               {Wide("PowerPoint Document", 38), "PPT"},
               {Wide("PageMaker", 17), "PMD"}};
  for (size_t at = 0; at < kSectorSize; ++at)
    for (const auto& kind : kinds)
      if (sector.matches(at, kind.name)) return kind.type;
  return {};
}

uint64_t PageScanEnd(uint64_t from, uint64_t rangeEnd, const RawSectorsRead& read) {
  constexpr uint32_t kGroup = 8;
  if (from >= rangeEnd) return 0;
  std::vector<uint8_t> group(kGroup * kSectorSize);
  uint64_t result = 0;
  bool found = false;
  for (uint64_t s = from; s < rangeEnd;) {
    std::fill(group.begin(), group.end(), 0);
    read(s, kGroup, group.data());
    bool more = false;
    for (uint32_t i = 0; i < kGroup; ++i) {
      const uint8_t* page = group.data() + size_t{i} * kSectorSize;
      if (page[0] == 0x01) {
        result = s + i >= 2 ? s + i - 2 : 0;
        found = true;
        break;
      }
      if (page[1] == 0x01) {
        result = s + i;
        found = true;
        more = true;
      }
    }
    // A page mark just after a page that asks for more would send the scan
    // back where it was: it ends there instead of going round for ever.
    if (!more || result + 1 <= s) break;
    s = result + 1;
    if (s + kGroup > rangeEnd) break;
  }
  return found ? result : 0;
}

RawEnd FindEnd(ByteView sector, uint64_t current, std::vector<FileTypeRule>& rules, RawCandidate& candidate,
               const RawSectorsRead& read, uint64_t rangeEnd) {
  FileTypeRule& rule = rules[candidate.rule];
  const uint64_t first = candidate.first;
  if (rule.sizeFieldOffset >= 0 || rule.maxSize != 0) {
    uint64_t size = rule.maxSize;  // SAM: always this size
    if (rule.sizeFieldOffset >= 0) {
      const ByteView head(candidate.firstSector.data(), candidate.firstSector.size());
      size = head.le(static_cast<size_t>(rule.sizeFieldOffset), rule.sizeFieldLength);
      const bool strict = rule.name == "BMP" || rule.name == "CDR" || rule.name == "SWF";
      if (strict && (size < 1 || size > rule.maxSize)) return {.status = EndStatus::kRejected};
      if (size < 1) return {};
      if (size > rule.maxSize) size = rule.maxSize;
    }
    return {EndStatus::kDecided, size / kSectorSize + 2, rule.name, NextNumber(rule)};
  }
  if (!rule.pageMarks.empty()) {
    const uint64_t last = PageScanEnd(current + 1, rangeEnd, read);
    // A database whose pages were not found is given up like any candidate.
    if (last == 0 || last + 2 <= first) return {.status = EndStatus::kRejected};
    return {EndStatus::kDecided, last - first + 2, rule.name, NextNumber(rule)};
  }
  for (const SignatureEntry& marker : rule.endMarkers) {
    if (rule.family && candidate.subType.empty()) candidate.subType = CompoundSubType(sector);
    // A marker that begins in the sector, even one that runs on into the next.
    const size_t span = std::min(sector.size(), kSectorSize + marker.bytes.size() - 1);
    if (!Contains(sector.data(), span, marker.bytes)) continue;
    if (!rule.family)
      return {EndStatus::kDecided, current - first + (rule.name == "HTML" ? 1 : 2), rule.name, NextNumber(rule)};
    if (candidate.subType != marker.name) continue;
    return {EndStatus::kDecided, current - first + 2, marker.name, marker.selected ? NextNumber(rule) : 0,
            marker.selected};
  }
  return {};
}

}  // namespace vantor
