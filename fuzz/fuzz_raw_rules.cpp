// Fuzzes raw recovery's rules: the input's first 4 bytes tick types (a bit
// each of the first 28), the rest is a run of sectors on which every header is
// matched and every candidate's end is looked for, sector by sector, with the
// page scan reading the same run, as the search meets them; the header table
// must agree with the plain first match.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/ByteView.h"
#include "raw/RawEnd.h"
#include "raw/RawRules.h"

// The first selected rule in table order with a header at its offset, the
// plain way, which the table must agree with.
static int32_t PlainMatch(vantor::ByteView sector, const std::vector<vantor::FileTypeRule>& rules) {
  for (size_t i = 0; i < rules.size(); ++i)
    for (const vantor::SignatureEntry& header : rules[i].headers)
      if (rules[i].selected && sector.matches(static_cast<size_t>(header.offset), header.bytes))
        return static_cast<int32_t>(i);
  return -1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 || size > 4 + 64 * 512) return 0;
  std::array<bool, vantor::kRawTypeCount> ticked{};
  for (size_t i = 0; i < ticked.size(); ++i) ticked[i] = ((data[i / 8] >> (i % 8)) & 1) != 0;
  std::vector<vantor::FileTypeRule> rules = vantor::BuildRules(ticked);
  std::vector<uint8_t> run(data + 4, data + size);
  run.resize((run.size() + 511) / 512 * 512);
  const uint64_t sectors = run.size() / 512;
  const vantor::RawSectorsRead read = [&](uint64_t first, uint32_t count, uint8_t* buffer) {
    for (uint32_t i = 0; i < count; ++i) {
      uint8_t* to = buffer + size_t{i} * 512;
      if (first + i < sectors)
        std::memcpy(to, run.data() + (first + i) * 512, 512);
      else
        std::memset(to, 0, 512);
    }
  };
  const vantor::HeaderTable headers(rules);
  for (uint64_t s = 0; s < sectors; ++s) {
    const vantor::ByteView sector(run.data() + s * 512, run.size() - s * 512);
    const vantor::HeaderMatch match = headers.Match(vantor::ByteView(sector.data(), 512));
    if (match.rule != PlainMatch(vantor::ByteView(sector.data(), 512), rules)) __builtin_trap();
    if (match.rule < 0) continue;
    vantor::RawCandidate candidate;
    candidate.rule = static_cast<size_t>(match.rule);
    candidate.first = s;
    std::memcpy(candidate.firstSector.data(), sector.data(), 512);
    for (uint64_t c = s; c < sectors; ++c) {
      const vantor::ByteView here(run.data() + c * 512, run.size() - c * 512);
      if (vantor::FindEnd(here, c, rules, candidate, read, sectors).status != vantor::EndStatus::kNotHere) break;
    }
  }
  return 0;
}
