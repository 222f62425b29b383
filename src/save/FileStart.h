// What every saved file goes through around the copy of its bytes: the common
// start (progress fields, deleted-file mode, extension list, the question about
// an existing file), then the file's creation, its copy and its commit under its
// real name, with the "Error Writing Destination" question for a file that cannot
// be created, written or closed. A file counts as saved only once it stands
// complete under its name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/FileTimes.h"
#include "save/CopyRuns.h"
#include "save/OutputFile.h"

namespace vantor {

struct SaveContext;

// Where one file goes, and whether what stands there already is to be replaced
// (the answer was Replace or Replace All, or the file is the Open action's copy).
struct TargetFile {
  std::string path;
  bool replace = false;
};

// The common start for an interactive save. May change the path (a new name for
// Rename); false when the file is not to be written.
bool StartFile(const SaveContext& context, TargetFile& target, const std::u16string& fileName, uint64_t size, char deleted);

// Fills the file with its bytes; `written` tells how far it got.
using FileCopy = std::function<CopyEnd(OutputFile& file, uint64_t& written)>;
enum class FileEnd { kSaved, kInterrupted, kFailed };

// Creates the file, copies into it and commits it with its last-write time.
// A file that cannot be created, written or committed is put to the host with
// the reason (unless ignoreWriteErrors stands or the save is not interactive):
// Retry starts the file again; otherwise it is recorded as not saved. An
// interrupted or failed file leaves nothing behind and its bytes are taken back
// from bytesCopied.
FileEnd WriteDestinationFile(const SaveContext& context, const TargetFile& target, bool interactive, const FileTime* time,
                             const FileCopy& copy);

// Whether something stands at a path of the destination.
using PathTaken = std::function<bool(const std::string& path)>;

// The rename rule: the first free "name" + i + ".ext" (i = 0, 1, ...) in the
// same folder replaces `path`. `next` keeps, for each path renamed, the number
// to go on from, so that n files of one name cost n tries in all, not n².
void UniqueName(std::string& path, const PathTaken& taken, std::unordered_map<std::string, uint64_t>& next);

}  // namespace vantor
