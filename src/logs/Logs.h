// The activity log ("Activity Log.txt": every wizard step and each scan's
// summary) and the recovery log ("Recovery Log.txt": every saving run). Both
// only grow by appending; each entry is CR LF followed by at most 200 bytes of
// UTF-8 text, cut where a whole character ends. A log that has grown past
// 5242880 bytes starts again empty before the next entry. Each append opens and
// closes the file under an exclusive lock, so no handle is shared between threads
// or processes.
//
// A log's folder is its configuration value ("Activity Log" / "Recovery Log"
// under "VantorKeyProfVMWARE"); when that is empty or names no folder, the
// installation folder ("FilePath", else the default) is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantor {

class WorkerHost;

enum LogSelector : int { kActivityLog = 0, kRecoveryLog = 1 };

inline constexpr uint64_t kLogSizeCap = 5242880;
inline constexpr size_t kLogEntryBytes = 200;

// 1 when the entry was written, 0 otherwise (nobody is told).
uint32_t AppendLog(int selector, const std::string& text);
// An empty line, the title, "-------", then the lines.
void AppendLogSection(int selector, const std::string& title, const std::vector<std::string>& lines);

std::string LogFolder(int selector);
std::string LogFileName(int selector);  // "Activity Log.txt" / "Recovery Log.txt"
std::string LogFilePath(int selector);
// Writes the folder value of the log; 1 when the configuration was saved.
uint32_t SetLogFolder(int selector, const std::string& folder);

// Opens the log in the desktop's text viewer, or says that it is missing.
void OpenLog(WorkerHost& host, int selector);
// Deletes the log after the user agreed; 1 when it was deleted.
uint32_t ClearLog(WorkerHost& host, int selector);

// The text of at most `limit` bytes that an entry keeps: up to the first NUL,
// cut before a character that would cross the limit.
std::string EntryBytes(const std::string& text, size_t limit);

}  // namespace vantor
