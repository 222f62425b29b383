#include "save/DestinationTree.h"

#include <algorithm>

namespace vantor {

DestinationTree::DestinationTree(std::unique_ptr<OutputFolder> root)
    : root_(std::move(root)), rootIdentity_(root_->identity()) {}

bool DestinationTree::Relative(const std::string& path, std::string& relative) const {
  const std::string& top = root_->path();
  if (path.compare(0, top.size(), top) != 0) return false;
  if (path.size() == top.size()) {
    relative.clear();
    return true;
  }
  if (path[top.size()] != '/' && top != "/") return false;
  relative = path.substr(top == "/" ? 1 : top.size() + 1);
  while (!relative.empty() && relative.back() == '/') relative.pop_back();
  return true;
}

namespace {

// Where each name of "a/b/c" ends.
std::vector<size_t> NameEnds(const std::string& relative) {
  std::vector<size_t> ends;
  for (size_t at = 0; at <= relative.size(); ++at)
    if (at == relative.size() || relative[at] == '/') ends.push_back(at);
  return ends;
}

}  // namespace

void DestinationTree::Forget() {
  last_.reset();
  lastRelative_.clear();
  levels_.clear();
}

const OutputFolder* DestinationTree::folder(const std::string& path, bool make, std::string& problem, bool* made) {
  if (made != nullptr) *made = false;
  std::string relative;
  if (!Relative(path, relative)) {
    problem = path + " lies outside the destination " + root_->path();
    return nullptr;
  }
  if (relative.empty()) return root_.get();
  if (last_ != nullptr && relative == lastRelative_ && made == nullptr) return last_.get();
  const std::vector<size_t> wanted = NameEnds(relative);
  const std::vector<size_t> held = last_ != nullptr ? NameEnds(lastRelative_) : std::vector<size_t>();
  // The levels both paths share; the folder itself is opened again when the
  // caller asks whether this call made it.
  size_t shared = 0;
  while (shared < wanted.size() && shared < held.size() && wanted[shared] == held[shared] &&
         relative.compare(0, wanted[shared], lastRelative_, 0, held[shared]) == 0)
    ++shared;
  if (made != nullptr) shared = std::min(shared, wanted.size() - 1);
  // The path of the held folder `depth` levels down, which the climb passes.
  const auto heldPathAt = [&](size_t depth) {
    return depth == 0 ? root_->path() : root_->path() + "/" + lastRelative_.substr(0, held[depth - 1]);
  };
  std::unique_ptr<OutputFolder> at;
  const OutputFolder* current = root_.get();
  size_t depth = 0;
  if (shared > 0) {
    current = last_.get();
    for (depth = held.size(); depth > shared; --depth) {
      const FolderIdentity expected = depth == 1 ? rootIdentity_ : levels_[depth - 2];
      std::unique_ptr<OutputFolder> up = current->parent(expected, heldPathAt(depth - 1));
      if (up == nullptr) break;
      at = std::move(up);
      current = at.get();
    }
    if (depth > shared) {
      at.reset();
      current = root_.get();
      depth = 0;
    }
  }
  levels_.resize(depth);
  for (; depth < wanted.size(); ++depth) {
    const size_t from = depth == 0 ? 0 : wanted[depth - 1] + 1;
    std::unique_ptr<OutputFolder> down = current->child(relative.substr(from, wanted[depth] - from), make, problem,
                                                        depth + 1 == wanted.size() ? made : nullptr);
    if (down == nullptr) {
      Forget();
      return nullptr;
    }
    levels_.push_back(down->identity());
    at = std::move(down);
    current = at.get();
  }
  last_ = std::move(at);
  lastRelative_ = relative;
  return last_.get();
}

std::unique_ptr<OutputFile> DestinationTree::create(const std::string& path, std::string& error) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    error = path + " lies outside the destination " + root_->path();
    return nullptr;
  }
  const OutputFolder* into = folder(slash == 0 ? "/" : path.substr(0, slash), false, error);
  return into != nullptr ? into->create(path.substr(slash + 1), error) : nullptr;
}

EntryKind DestinationTree::kindOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string problem;
  const OutputFolder* into =
      slash == std::string::npos ? nullptr : folder(slash == 0 ? "/" : path.substr(0, slash), false, problem);
  return into != nullptr ? into->kindOf(path.substr(slash + 1)) : EntryKind::kNone;
}

}  // namespace vantor
