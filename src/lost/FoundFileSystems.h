// Step 2 (c): the file systems a lost-partition search found, as the list shows
// them ("File System N - NAME"), and the volume values of the one chosen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/RecoveryState.h"
#include "disk/SectorReader.h"
#include "lost/FatCandidates.h"

namespace vantor {

inline constexpr const char* kNoFileSystemsText = "No file systems could be identified.";

std::string FoundFileSystemText(size_t number, const std::string& name);
// N of "File System N - NAME": the digits after the first 12 characters, up to
// " -"; 0 when there are none.
int32_t FoundFileSystemNumber(const std::u16string& text);

// The Step 2 (c) section when the list is not empty: "Total File Systems
// Enumerated : " and one line per file system (without the section title).
std::vector<std::string> FoundFileSystemLogLines(const LostSearchLists& lists);

struct FoundDescription {
  std::string name;
  std::string sizeText;  // the MB/GB form
  uint64_t startSector = 0;
  uint64_t endSector = 0;
};

// Makes found file system `number` (from 1) the volume of `state`: its name,
// cluster size and base, and for FAT its tables and root. An inferred FAT file
// system's tables are looked for first, below its cluster base, and kept in
// the list. False when the list has no such entry.
bool DescribeFoundFileSystem(SectorReader& reader, RecoveryState& state, LostSearchLists& lists, int32_t number,
                             FoundDescription& out);

}  // namespace vantor
