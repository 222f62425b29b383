// The destination of a saving run as the saver sees it: paths below the folder
// the user chose, each resolved from the folder's handle one name at a time and
// never through a link (see platform/OutputFolder.h). The saver walks folder by
// folder and saves each folder's files together, so the folder last resolved is
// kept, and the next one is reached from it: up through ".." to the folder both
// lie in (each step checked to lead to the very folder that was opened on the
// way down, else the walk starts again from the top), then down by name. A walk
// over a tree of any depth costs about one open per folder, and no path the
// system is given is longer than one name.
#pragma once

#include <memory>
#include <string>
#include <vector>

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

  // Forgets the folder last resolved: the next one is reached from the top.
  void Forget();

  std::unique_ptr<OutputFolder> root_;
  FolderIdentity rootIdentity_;
  std::string lastRelative_;
  std::unique_ptr<OutputFolder> last_;
  // The identity of each folder on the way to last_, the first level first.
  std::vector<FolderIdentity> levels_;
};

}  // namespace vantor
