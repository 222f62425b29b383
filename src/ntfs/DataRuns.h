// Decoding of a run list ("mapping pairs"): how a non-resident attribute's
// clusters lie on the volume.
//
// Each run starts with a header byte h: the low nibble is the size in bytes of
// the run's length field, the high nibble the size of its offset field, both
// little-endian; a header of 0 ends the list. The offset is signed and counted
// from the previous run's first cluster (from cluster 0 for the first run of a
// list); a run without an offset field is sparse: no clusters, zeros. Every run
// list begins from cluster 0 again, also each extent of an attribute that an
// attribute list spreads over several records.
#pragma once

#include <cstdint>

#include "core/ByteView.h"
#include "ntfs/MftRunTable.h"

namespace vantor {

// Appends the runs of `runList` (bounded by the attribute that holds it) to
// `table`, each counted in sectors from `partitionStart`. Stops at the end
// marker, at a run that leaves the list's bytes or whose numbers make no sense (a
// cluster before the volume, an overflow), or when the table cannot grow. Returns
// false when it stopped for any reason but the end marker.
bool DecodeRunList(ByteView runList, uint64_t partitionStart, uint32_t sectorsPerCluster, MftRunTable& table);

}  // namespace vantor
