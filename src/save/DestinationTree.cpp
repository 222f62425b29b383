#include "save/DestinationTree.h"

namespace vantor {

DestinationTree::DestinationTree(std::unique_ptr<OutputFolder> root) : root_(std::move(root)) {}

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

const OutputFolder* DestinationTree::folder(const std::string& path, bool make, std::string& problem, bool* made) {
  if (made != nullptr) *made = false;
  std::string relative;
  if (!Relative(path, relative)) {
    problem = path + " lies outside the destination " + root_->path();
    return nullptr;
  }
  if (relative.empty()) return root_.get();
  if (last_ != nullptr && relative == lastRelative_ && made == nullptr) return last_.get();
  // From the folder last resolved when `path` lies below it, else from the top.
  const bool belowLast = last_ != nullptr && relative.size() > lastRelative_.size() &&
                         relative.compare(0, lastRelative_.size(), lastRelative_) == 0 &&
                         relative[lastRelative_.size()] == '/';
  const OutputFolder& from = belowLast ? *last_ : *root_;
  const std::string rest = belowLast ? relative.substr(lastRelative_.size() + 1) : relative;
  const size_t slash = rest.rfind('/');
  std::unique_ptr<OutputFolder> parent;
  if (slash != std::string::npos) {
    parent = from.below(rest.substr(0, slash), make, problem);
    if (parent == nullptr) return nullptr;
  }
  auto found = (parent != nullptr ? *parent : from).child(rest.substr(slash + 1), make, problem, made);
  if (found == nullptr) return nullptr;
  last_ = std::move(found);
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
