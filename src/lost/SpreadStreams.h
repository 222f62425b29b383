// The named streams that a file found by the record search keeps in its
// extension records. The search sees each extension record on its own, without
// the order of its base record's attribute list; the saver counts a file's
// streams over that list (SpreadRecord). So, once the records are numbered,
// each base record with an attribute list is read again and spread as the
// saver spreads it, and the streams past its own are listed after each of its
// names: stream n of the listing is the saver's n-th.
#pragma once

#include "disk/SectorReader.h"
#include "lost/NtfsCandidates.h"

namespace vantor {

// Appends the candidates of those streams; the records are read through the
// map of the records found (one volume: numbers must not repeat).
void AddSpreadStreams(NtfsCandidates& candidates, SectorReader& reader);

}  // namespace vantor
