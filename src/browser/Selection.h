// Ticking folders in the Step 4 tree. Checking an item checks (and bolds) its
// whole subtree and marks each of its catalog folders selected; the keys of those
// folders are collected and the selection pass then marks their files. Root is the
// bulk case: every folder of the shown file system and every file is marked
// directly. SelectionPass runs on a worker; it reports progress to the host.
#pragma once

#include <cstdint>
#include <unordered_set>

namespace vantor {

struct BrowserContext;

// Sets the tree state and the folder flags of `item`'s subtree; returns the keys
// collected for SelectionPass (empty for Root, whose files are already marked).
std::unordered_set<uint32_t> CheckSubtree(const BrowserContext& context, uint64_t item, bool check);
// Sets `selected` of every catalog file whose parent key was collected.
void SelectionPass(const BrowserContext& context, const std::unordered_set<uint32_t>& keys, bool select);
// Both of the above: one click on the item's check box.
void CheckItem(const BrowserContext& context, uint64_t item, bool check);
// Shows `item` and its ancestors as checked (bold) without changing any flag: a
// file ticked elsewhere (the search, the command line) makes its folder reachable.
void ShowPathChecked(const BrowserContext& context, uint64_t item);

}  // namespace vantor
