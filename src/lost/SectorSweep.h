// The sweep of both lost-partition searches: every sector of a range read in
// runs of 1000 sectors (8 when memory is short) into a page-aligned buffer, the
// holes of a sparse image passed over and nothing read past the source's end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/WorkerHost.h"
#include "disk/SectorReader.h"

namespace vantor {

// Gets each sector with its number and the count of sectors of its run from it
// on (itself included), so that a structure longer than a sector can tell
// whether it lies whole in the run. False ends the sweep at that sector.
using SweepVisit = std::function<bool(const uint8_t* sector, uint64_t number, uint32_t sectorsInRun)>;

// Sweeps [start, end), setting the progress after each run; Stop ends it, and
// so does a visit that returns false. False when not even a small buffer could
// be had.
bool SweepSectors(SectorReader& reader, WorkerHost& host, uint64_t start, uint64_t end, const SweepVisit& visit);

// What a search says when it stopped at `sector` of a range ending at `end`,
// holding `kept` of `what` ("boot sectors and folder starts"), as many as it keeps.
std::string SweepCutText(uint64_t sector, uint64_t end, size_t kept, const std::string& what);

}  // namespace vantor
