// The file search of Step 4 and of `vantor find`: the folders and files of the
// shown file system whose name fits a pattern (NameMatches) and that pass the
// deleted, date and size filters, each as a row of the Step 4 list with the path
// of its folder. Runs on a worker: it passes the host's pause gate, ends at its
// stop with the hits found so far, and reports progress.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "browser/FileList.h"
#include "catalog/RecordPredicates.h"

namespace vantor {

struct BrowserContext;

enum class SearchDateKind { kCreated, kModified, kAccessed };

inline constexpr uint64_t kSizeUnits[] = {1, 1024, 1048576, 1073741824};  // Bytes, KB, MB, GB

struct SearchQuery {
  std::u16string pattern;
  int32_t deleted = kIncludeDeleted;
  // The date filter compares days, both bounds included; a "to" year before the
  // "from" year lets nothing pass.
  bool byDate = false;
  SearchDateKind dateKind = SearchDateKind::kCreated;
  CalendarDate from{1970, 1, 1}, to{2030, 12, 31};
  // The size filter (files only; folders are then not searched at all) takes
  // low × unit to high × unit bytes, as SizeWithin does.
  bool bySize = false;
  uint64_t low = 0, high = 2;
  uint64_t unit = kSizeUnits[3];
};

struct SearchHit {
  FileListRow row;
  // The tree item of the folder itself, or of the folder a file lies in.
  uint64_t folderItem = 0;
  // The names of that folder and its ancestors below Root, joined by the
  // separator the search was given (empty for Root).
  std::string path;
};

// Folders first (in catalog order, only those shown in the tree), unless the
// size filter is on; then the files in catalog order, those whose folder the
// tree does not show left out, as Step 4 cannot show them either. Returns the
// number of hits.
uint64_t RunFileSearch(const BrowserContext& context, const SearchQuery& query, char separator,
                       const std::function<void(SearchHit&&)>& found);

// Ticks or unticks a hit as the same tick in Step 4 would: a folder with its
// subtree and their files; a file alone, its folder and their ancestors then
// shown checked without a change to their own flags.
void TickSearchHit(const BrowserContext& context, const SearchHit& hit, bool tick);

}  // namespace vantor
