// The destination of a saving run as the saver sees it: paths below the folder
// the user chose, each resolved from the folder's handle one name at a time and
// never through a link (see platform/OutputFolder.h). The saver walks folder by
// folder and saves each folder's files together, so the folder last resolved is
// kept, and a folder below it is resolved from it: a deep tree costs one open
// per level, not one per level for every file.
#pragma once

#include <memory>
#include <string>

#include "platform/OutputFolder.h"

namespace vantor {

class DestinationTree {
 public:
  explicit DestinationTree(std::unique_ptr<OutputFolder> root);

  const std::string& path() const { return root_->path(); }
  // The folder at `path` (the destination's own path or one below it), made
  // with the folders on its way when `make` (`made`: whether this call made the
  // folder itself); null with the reason.
  const OutputFolder* folder(const std::string& path, bool make, std::string& problem, bool* made = nullptr);
  // A new file that becomes `path` (below the destination) when committed.
  std::unique_ptr<OutputFile> create(const std::string& path, std::string& error);
  // What stands at `path`, links not followed; kNone for a path outside.
  EntryKind kindOf(const std::string& path);

 private:
  // `path` below the destination, without the destination's own path and "/";
  // false when it lies elsewhere.
  bool Relative(const std::string& path, std::string& relative) const;

  std::unique_ptr<OutputFolder> root_;
  std::string lastRelative_;
  std::unique_ptr<OutputFolder> last_;
};

}  // namespace vantor
