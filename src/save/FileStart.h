// What every saved file goes through before its bytes are copied: the common
// start (progress fields, deleted-file mode, extension list, the question about
// an existing file, the count of files saved) and the creation of the file with
// the "Error Writing Destination" question.
#pragma once

#include <memory>
#include <string>

#include "platform/FileTimes.h"
#include "save/OutputFile.h"

namespace vantor {

class Session;

// The common start for an interactive save. May change `path` (a new name for
// Rename); false when the file is not to be written.
bool StartFile(Session& session, std::string& path, const std::u16string& fileName, uint64_t size, char deleted);
// Creates the destination file; null when it could not be created and the
// answer (or ignoreWriteErrors, or a non-interactive save) says to go on without it.
std::unique_ptr<OutputFile> CreateDestinationFile(Session& session, const std::string& path, bool interactive);
// Closes the file and gives it its last-write time when there is one.
void FinishFile(std::unique_ptr<OutputFile>& file, const std::string& path, const FileTime* time);
// The rename rule: the first free "name" + i + ".ext" for i = 0..9999 in the same
// folder replaces `path`; when every one exists, `path` stays.
void UniqueName(std::string& path);

}  // namespace vantor
