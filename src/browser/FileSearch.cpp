#include "browser/FileSearch.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <vector>

#include "browser/BrowserContext.h"
#include "browser/Selection.h"
#include "catalog/NameMatch.h"

namespace vantor {
namespace {

uint64_t Scaled(uint64_t value, uint64_t unit) {
  return value > std::numeric_limits<uint64_t>::max() / unit ? std::numeric_limits<uint64_t>::max() : value * unit;
}

template <typename Record>
bool PassesCommon(const SearchQuery& query, const Record& record, bool ntfs) {
  if (!PassesDeleted(query.deleted, record.deleted)) return false;
  if (query.byDate) {
    const RecordTime& stamp = query.dateKind == SearchDateKind::kCreated    ? record.created
                              : query.dateKind == SearchDateKind::kModified ? record.modified
                                                                            : record.accessed;
    if (!DateWithin(StampDate(stamp, ntfs), query.from, query.to)) return false;
  }
  return NameMatches(record.name.utf16(), query.pattern);
}

class SearchWalk {
 public:
  SearchWalk(const BrowserContext& context, const SearchQuery& query, char separator,
             const std::function<void(SearchHit&&)>& found)
      : context_(context),
        query_(query),
        separator_(separator),
        found_(found),
        ntfs_(context.state.fileSystem() == FileSystemKind::kNtfs),
        total_(std::max<uint64_t>(context.catalog.folders().size() + context.catalog.files().size(), 1)) {}

  uint64_t Run() {
    context_.host.setProgressRange(100);
    auto& folders = context_.catalog.folders();
    std::unordered_map<uint32_t, uint64_t> itemOfKey;  // the first shown folder with the key
    for (FolderRecord& folder : folders) {
      if (folder.fileSystemNumber != context_.state.selectedFileSystem || folder.treeItem == 0) continue;
      itemOfKey.emplace(folder.ownKey, folder.treeItem);
      if (query_.bySize) continue;
      if (!Step()) return hits_;
      if (PassesCommon(query_, folder, ntfs_)) Found(FolderRow(folder, ntfs_), folder.treeItem);
    }
    const uint32_t rootKey = context_.folderTree.rootKey();
    const uint64_t low = Scaled(query_.low, query_.unit), high = Scaled(query_.high, query_.unit);
    for (FileRecord& file : context_.catalog.files()) {
      if (!Step()) break;
      if (query_.bySize && !SizeWithin(file.size(), low, high)) continue;
      if (!PassesCommon(query_, file, ntfs_)) continue;
      uint64_t item = kRootItem;
      if (file.parentKey != rootKey) {
        auto at = itemOfKey.find(file.parentKey);
        if (at == itemOfKey.end()) continue;
        item = at->second;
      }
      Found(FileRow(file, ntfs_), item);
    }
    return hits_;
  }

 private:
  // Passes the gate and counts one record; false once a stop was asked.
  bool Step() {
    context_.host.pauseGate();
    if (context_.host.stopRequested()) return false;
    uint64_t percent = 100 * ++seen_ / total_;
    if (percent != shown_) context_.host.setProgress(shown_ = percent);
    return true;
  }

  // The folders' own names, not the tree's labels, which cut long names short.
  const std::string& PathOf(uint64_t item) {
    auto [at, added] = paths_.try_emplace(item);
    if (!added) return at->second;
    std::vector<std::string> names;
    for (const TreeNode* node = context_.folderTree.node(item); node != nullptr && node->folder != nullptr;
         node = context_.folderTree.node(node->parent))
      names.push_back(node->folder->name.utf8());
    for (size_t i = names.size(); i-- > 0;) {
      at->second += names[i];
      if (i != 0) at->second += separator_;
    }
    return at->second;
  }

  void Found(FileListRow&& row, uint64_t item) {
    ++hits_;
    found_({std::move(row), item, PathOf(item)});
  }

  const BrowserContext& context_;
  const SearchQuery& query_;
  char separator_;
  const std::function<void(SearchHit&&)>& found_;
  bool ntfs_;
  uint64_t total_, seen_ = 0, shown_ = 0, hits_ = 0;
  std::unordered_map<uint64_t, std::string> paths_;
};

}  // namespace

uint64_t RunFileSearch(const BrowserContext& context, const SearchQuery& query, char separator,
                       const std::function<void(SearchHit&&)>& found) {
  return SearchWalk(context, query, separator, found).Run();
}

void TickSearchHit(const BrowserContext& context, const SearchHit& hit, bool tick) {
  if (hit.row.folder != nullptr) {
    CheckItem(context, hit.row.folder->treeItem, tick);
    return;
  }
  hit.row.file->selected = tick ? 'y' : 'n';
  if (tick) ShowPathChecked(context, hit.folderItem);
}

}  // namespace vantor
