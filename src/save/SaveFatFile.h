// Saving one FAT file. Its clusters come from the FAT (the first copy, the second,
// or whichever gives a chain of the right length) or, when no copy does or the
// filter asks for it, from consecutive clusters from the first: that is how a
// deleted file, whose chain is gone, is saved. The file gets its DOS write time,
// a local time, as its last-write time.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

struct SaveContext;

// `interactive`: the saving worker (progress, filters, questions); otherwise the
// Open action, which writes the file and nothing else. True when it was written.
bool SaveFatFile(const SaveContext& context, std::string destinationPath, const std::u16string& fileName, uint32_t size,
                 uint32_t startCluster, bool interactive, char deleted, uint16_t dosTime, uint16_t dosDate);

}  // namespace vantor
