// The file types that raw recovery finds by their content: 28 fixed types, each
// recognised by a header signature at a fixed offset of a file's first sector,
// and ended by a size field in that sector, by an end marker in a later sector,
// or (MDB) by a scan of its pages. DOC, PPT, XLS and PMD share one rule (a
// compound document), whose sub-type its directory's "Root Entry" sector names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/ByteView.h"

namespace vantor {

inline constexpr size_t kRawTypeCount = 28;
// The types in table order; the index of a type is its rule's.
inline constexpr std::array<const char*, kRawTypeCount> kRawTypeNames = {
    "AVI", "BMP", "CDR", "CPP", "DOC", "DWG", "EML", "HTML", "JPEG", "MDB", "PDF", "PMD", "PNG", "PPT",
    "PSD", "RAR", "RTF", "SAM", "SWF", "TIF", "WK1", "WK3", "WK4", "WKS", "WPD", "XLS", "XML", "ZIP"};
inline constexpr size_t kCompoundRule = 4;  // DOC, PPT, XLS and PMD
inline constexpr uint32_t kDefaultSearchLimit = 40960;

struct SignatureEntry {
  std::string name;   // the type the pattern stands for
  std::string bytes;  // the pattern
  int32_t offset = 0;  // in the sector; -1: at any byte position
  bool selected = false;
};

struct FileTypeRule {
  std::string name;
  std::vector<SignatureEntry> headers;
  int32_t sizeFieldOffset = -1;  // of a little-endian size in the first sector; -1: none
  uint32_t sizeFieldLength = 0;
  std::vector<SignatureEntry> endMarkers;
  std::vector<SignatureEntry> pageMarks;  // MDB
  bool selected = false;
  uint32_t counter = 0;  // the number of the next file of this rule
  uint32_t searchLimit = kDefaultSearchLimit;
  uint32_t maxSize = 0;  // bytes: the largest size field accepted; SAM: its size
  bool family = false;   // the compound-document rule
};

// The 28 rules in table order, those of the ticked types selected (the
// compound rule when any of its four types is), counters at 0.
std::vector<FileTypeRule> BuildRules(const std::array<bool, kRawTypeCount>& ticked);

struct HeaderMatch {
  int32_t rule = -1;  // -1: none
  uint32_t searchLimit = 0;
};
// The first selected rule, in table order, one of whose headers stands in
// `sector` (512 bytes) at its offset: RIFF is AVI before CDR.
HeaderMatch MatchHeader(ByteView sector, const std::vector<FileTypeRule>& rules);

// MatchHeader for every sector of a search: the selected rules' headers in
// table order, and for each offset that a header uses the bytes that can begin
// one there, so that most sectors are refused after a byte or two.
class HeaderTable {
 public:
  explicit HeaderTable(const std::vector<FileTypeRule>& rules);
  HeaderMatch Match(ByteView sector) const;

 private:
  struct Header {
    HeaderMatch match;
    size_t offset;
    std::string bytes;
  };
  std::vector<Header> headers_;
  std::vector<std::pair<size_t, std::array<bool, 256>>> firstBytes_;
};

}  // namespace vantor
