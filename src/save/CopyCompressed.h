// The copy of a compressed NTFS file: its runs are walked a compression unit at
// a time; a unit whose clusters are all on disk is copied as it is, one with none
// gives zeros, and one that is partly sparse is decoded from LZNT1. A unit that
// cannot be decoded is written as zeros, so that the rest of the file is not
// lost, and the file is reported as damaged.
#pragma once

#include <cstdint>
#include <string>

#include "save/CopyRuns.h"

namespace vantor {

class MftRunTable;

// Like CopyRuns, for a file whose units are `unitSectors` long. `damage` says
// which units could not be decoded; empty when every one was.
CopyEnd CopyCompressedRuns(const SaveContext& context, OutputFile& file, const MftRunTable& runs, uint64_t unitSectors,
                           uint64_t size, uint64_t validSize, bool interactive, uint64_t& written, std::string& damage);

}  // namespace vantor
