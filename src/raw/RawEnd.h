// Where a raw candidate ends: from the size field of its first sector, from an
// end marker in the sector being looked at, or (MDB) from a scan of its pages.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/ByteView.h"
#include "raw/RawRules.h"

namespace vantor {

// A file whose first sector a header marked, while its end is looked for.
struct RawCandidate {
  size_t rule = 0;
  uint64_t first = 0;
  std::array<uint8_t, 512> firstSector{};
  uint32_t examined = 0;  // sectors looked at since the header
  std::string subType;    // compound documents: "DOC", "XLS", "PPT" or "PMD" once known
};

enum class EndStatus { kDecided, kNotHere, kRejected };

struct RawEnd {
  EndStatus status = EndStatus::kNotHere;
  uint64_t sectorCount = 0;  // from the first sector
  std::string typeName = {};
  uint32_t fileNumber = 0;
  bool wanted = true;  // false: a compound document of a type not ticked
};

// Reads `count` sectors from `first` into `buffer`.
using RawSectorsRead = std::function<void(uint64_t first, uint32_t count, uint8_t* buffer)>;

// The end of `candidate` as sector `current` tells it. `sector` holds that
// sector followed by what the source holds after it, so that a marker that
// begins in it and runs on is found. A decided end takes the rule's next file
// number (a compound document of a type not ticked takes none).
RawEnd FindEnd(ByteView sector, uint64_t current, std::vector<FileTypeRule>& rules, RawCandidate& candidate,
               const RawSectorsRead& read, uint64_t rangeEnd);

// The compound document's sub-type that a "Root Entry" sector names, or empty.
std::string CompoundSubType(ByteView sector);

// MDB: the last page of the database whose pages start at sector `from`; 0
// when none was found.
uint64_t PageScanEnd(uint64_t from, uint64_t rangeEnd, const RawSectorsRead& read);

}  // namespace vantor
