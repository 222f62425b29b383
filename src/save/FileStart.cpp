// An existing destination file is put to the host unless an earlier answer
// (Replace All, Skip All, Rename All) stands. A file skipped at that question
// counts its size as copied, so that skipping is not reported as a failed run;
// this holds for Skip All as well as for a single Skip.
#include "save/FileStart.h"

#include "platform/Folders.h"
#include "platform/Utf.h"
#include "save/DestinationTree.h"
#include "save/FileFilter.h"
#include "save/Progress.h"
#include "save/SafeName.h"
#include "save/SaveContext.h"

namespace vantor {
namespace {

// Looked up through the destination's handle, which a path of any depth fits.
bool Taken(const SaveContext& context, const std::string& path) {
  DestinationTree* destination = context.savingRun.destination.get();
  return destination != nullptr ? destination->kindOf(path) != EntryKind::kNone : PathExists(path);
}

int32_t ChoiceOf(ReplaceAnswer answer) {
  switch (answer) {
    case ReplaceAnswer::kReplace: return kReplaceThis;
    case ReplaceAnswer::kReplaceAll: return kReplaceEvery;
    case ReplaceAnswer::kSkipAll: return kSkipEvery;
    case ReplaceAnswer::kRename: return kRenameThis;
    case ReplaceAnswer::kRenameAll: return kRenameEvery;
    case ReplaceAnswer::kSkip:
    case ReplaceAnswer::kCancel: break;
  }
  return kSkipThis;
}

// False when the existing file at `target` is to be left alone.
bool ResolveExisting(const SaveContext& context, TargetFile& target, uint64_t size) {
  SavingRun& run = context.savingRun;
  if (run.replaceChoice != kSkipEvery && run.replaceChoice != kRenameEvery && run.replaceChoice != kReplaceEvery) {
    RefreshProgress(context, 0, size, 0);
    run.replaceChoice = ChoiceOf(context.host().askReplace(target.path));
  }
  if (run.replaceChoice == kSkipThis || run.replaceChoice == kSkipEvery) {
    run.bytesCopied += size;
    return false;
  }
  if (run.replaceChoice == kRenameThis || run.replaceChoice == kRenameEvery) {
    UniqueName(target.path, [&](const std::string& path) { return Taken(context, path); }, run.nextNumber);
    return true;
  }
  target.replace = true;
  return true;
}

// `name` with `number` before its last ".", cut so that the result still fits.
std::string NumberedName(const std::string& name, const std::string& number) {
  std::string fitted = FitNameLength(name, kMaxNameBytes - number.size());
  size_t dot = fitted.rfind('.');
  return dot == std::string::npos ? fitted + number : fitted.substr(0, dot) + number + fitted.substr(dot);
}

void ApplyWriteError(SavingRun& run, WriteErrorAnswer answer) {
  run.abortAll = answer == WriteErrorAnswer::kAbort ? 1 : 0;
  run.skipFile = 0;  // the file is abandoned here; nothing is left to skip
  run.ignoreWriteErrors = answer == WriteErrorAnswer::kIgnoreAll ? 1 : 0;
}

// True when the file is to be tried again; otherwise it is recorded as not saved.
bool AnswerWriteError(const SaveContext& context, const std::string& path, const std::string& reason, bool interactive) {
  SavingRun& run = context.savingRun;
  if (interactive && run.ignoreWriteErrors == 0) {
    WriteErrorAnswer answer = context.host().askWriteError(path, reason);
    if (answer == WriteErrorAnswer::kRetry) return true;
    ApplyWriteError(run, answer);
  }
  run.notSaved.push_back({path, reason});
  return false;
}

}  // namespace

bool StartFile(const SaveContext& context, TargetFile& target, const std::u16string& fileName, uint64_t size, char deleted) {
  SavingRun& run = context.savingRun;
  SetField(context, kDirectoryNameField, target.path);
  SetField(context, kLastNameField, Utf16ToUtf8(fileName));
  SetField(context, kSizeRequiredField, SavingSizeText(run.bytesRequired));
  if (!PassesDeletedMode(context.savingFilter, deleted)) return false;
  if (!PassesExtensions(context.savingFilter, fileName)) return false;
  return !Taken(context, target.path) || ResolveExisting(context, target, size);
}

FileEnd WriteDestinationFile(const SaveContext& context, const TargetFile& target, bool interactive, const FileTime* time,
                             const FileCopy& copy) {
  SavingRun& run = context.savingRun;
  for (;;) {
    std::string reason;
    auto file = context.createFile(target.path, reason);
    if (file != nullptr) {
      uint64_t written = 0;
      CopyEnd end = copy(*file, written);
      if (end != CopyEnd::kWriteFailed && end != CopyEnd::kInterrupted && file->commit(time, target.replace)) {
        if (interactive) ++run.filesSaved;
        return FileEnd::kSaved;
      }
      run.bytesCopied -= written;
      if (end == CopyEnd::kInterrupted) {
        run.skipFile = 0;
        return FileEnd::kInterrupted;
      }
      reason = file->error();
    }
    if (!AnswerWriteError(context, target.path, reason, interactive)) return FileEnd::kFailed;
  }
}

void UniqueName(std::string& path, const PathTaken& taken, std::unordered_map<std::string, uint64_t>& next) {
  const std::string folder = FolderPart(path);
  const std::string name = FileNamePart(path);
  // A folder holds finitely many names, so a free one comes.
  for (uint64_t& number = next[path];; ++number) {
    std::string candidate = folder + NumberedName(name, std::to_string(number));
    if (!taken(candidate)) {
      ++number;
      path = std::move(candidate);
      return;
    }
  }
}

}  // namespace vantor
