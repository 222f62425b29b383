// The state of one saving run, shared by the saving worker and whoever answers
// its questions (the progress dialog, the command line). The dialog's buttons set
// the three flags from another thread; the worker polls them before every read.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "disk/ReadAhead.h"
#include "fat/FatTable.h"
#include "save/DestinationTree.h"

namespace vantor {

// The answers of the "replace existing file" question as they are kept.
enum ReplaceChoice : int32_t {
  kReplaceThis = 0, kSkipThis = 1, kReplaceEvery = 2, kSkipEvery = 3, kRenameThis = 4, kRenameEvery = 5
};

// The detail fields of the saving progress, by the number passed to
// WorkerHost::setCaption.
enum SavingField : int {
  kTimeElapsedField = 2001,
  kTimeRemainingField,
  kSizeRequiredField,
  kSizeCopiedField,
  kLastNameField,
  kDirectoryNameField,
};
inline constexpr size_t kSavingFieldCount = 6;

// A file that could not be written, or was written with damage, and why.
struct FileProblem {
  std::string path;
  std::string reason;
};

struct SavingRun {
  std::string savingPath;  // the destination, accepted by the destination check
  // The destination opened and checked by the destination check: every file
  // and folder the run saves is made through it.
  std::shared_ptr<DestinationTree> destination;
  int32_t replaceChoice = kReplaceThis;
  std::atomic<int32_t> skipFile{0};
  std::atomic<int32_t> abortAll{0};
  std::atomic<int32_t> ignoreWriteErrors{0};
  std::atomic<bool> detailsShown{true};
  bool stopped = false;  // the host asked to stop: the run ends as aborted
  uint64_t bytesCopied = 0;
  int32_t filesSaved = 0;
  uint64_t bytesRequired = 0;
  int32_t filesRequired = 0;
  int32_t foldersRequired = 0;  // the folders below the destination it makes
  int64_t startTime = 0;      // seconds since the epoch
  int64_t pausedSeconds = 0;  // added by the dialog on Resume
  uint64_t refreshCalls = 0;
  std::vector<FileProblem> notSaved;
  // Files written whole but with parts the source could not give (compressed
  // units that would not decode, written as zeros).
  std::vector<FileProblem> damaged;
  // Files some of whose sectors lay beyond the virtual disk's files and were
  // written as zeros.
  std::vector<std::string> zeroFilled;
  // Sectors that a file's runs or chain placed outside the volume, written as
  // zeros: a file that adds to them is partly zeros too.
  uint64_t sectorsOutsideVolume = 0;
  // The rename rule's next number for each path renamed in this run.
  std::unordered_map<std::string, uint64_t> nextNumber;
  // The current text of each detail field, for the saving report.
  std::array<std::string, kSavingFieldCount> fields{};
  // The buffer that file contents pass through, kept from file to file so that
  // each large file does not map and clear a fresh megabyte.
  std::vector<uint8_t> copyBuffer;
  // The FAT copies read during one run, by first sector, so that the chains of
  // many files share the table sectors read once, and the MFT records of the
  // files saved, read a window at a time. Both belong to one run's source:
  // another volume may have a table at the same sector.
  std::map<uint64_t, std::unique_ptr<FatTable>> fatTables;
  ReadAhead records;
  // Where the content of the file being written was read on the source (first
  // sector and count, in the order read), kept while a report of the run asks
  // for it (recordRuns); the report's writer takes them when the file is done.
  bool recordRuns = false;
  std::vector<std::pair<uint64_t, uint64_t>> fileRuns;

  // What the destination dialog resets when it opens.
  void Reset();
  // Forgets what was read of the source: every saving walk starts and ends so.
  void ForgetSource();
  std::string& field(SavingField which) { return fields[static_cast<size_t>(which - kTimeElapsedField)]; }
};

}  // namespace vantor
