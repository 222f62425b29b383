// The saving walk over the Step 4 tree, shared by the saver and by the sizing walk
// of the destination check so that both take exactly the same folders and files.
//
// Which folders take part follows `selectionMode`: 1 takes every folder, 2 the
// unchecked ones (a checked folder's subtree is left out), 0 the checked ones. In
// mode 0 a folder is also walked when it is not checked itself but a folder below
// it is: checking a folder deep in the tree does not check its ancestors (Root
// included), and the walk must still reach it. Such a folder's own files are then
// taken only when they are selected, as in every folder in mode 0.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"

namespace vantor {

struct SaveContext;
struct TreeNode;

// One folder of the walk: its path below the destination (safe names joined by
// "/", empty for Root), the catalog files it holds (none for a folder whose key
// is 0 or LostKey, or that belongs to another file system) and its folder record
// (null for Root and the folders the tree made up). Returns the path
// the folder was given, which its subfolders build on, or nothing to leave the
// folder's subtree out.
using FolderVisit = std::function<std::optional<std::string>(
    const std::string& relativePath, const std::vector<FileRecord*>& files, const FolderRecord* folder)>;

// Called when the walk is done with a folder that a visit gave a path to: its
// files and every folder below it were visited. Not called for Root.
using FolderLeave = std::function<void(const std::string& relativePath)>;

// Visits Root and then the folders that take part, depth first in tree order;
// ends early when abortAll is set (leaving the folders it was in). The walk
// keeps one path, not one per level: its memory grows with the depth, not
// with the square of it.
void WalkSavedFolders(const SaveContext& context, const FolderVisit& visit, const FolderLeave& leave = {});

// True when the current file system is NTFS (its stamps are file times).
bool IsNtfs(const SaveContext& context);

}  // namespace vantor
