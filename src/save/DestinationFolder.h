// Whether a folder may receive recovered files, and making it when it is missing.
// Nothing that stands already is deleted, truncated or changed: a destination, or
// any folder on its way, that exists and is not a folder is refused, and so is a
// destination that is the source itself, that lies on the device being recovered
// (saving there would overwrite the very sectors being recovered), or that cannot
// be written. Folders made for a destination that is then refused are removed.
#pragma once

#include <string>
#include <vector>

namespace vantor {

// Makes `path` (and the folders leading to it) when missing and checks it. The
// reason it cannot serve ("notes.txt is a file, not a folder", ...), or empty
// when it can. `sources`: the files or devices being recovered.
std::string PrepareDestinationFolder(const std::string& path, const std::vector<std::string>& sources);

}  // namespace vantor
