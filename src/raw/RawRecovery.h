// Raw recovery: the sectors of a range are looked at one after another; a
// header starts a candidate, its rule decides where it ends, and its sectors
// are written whole to FOLDER/TYPE/N.TYPE. A candidate whose end is not found
// within its search limit (or whose size is refused) is given up, and the
// search goes on after its first sector. Each run also writes
// FOLDER/raw-report.csv: type, file, first sector, sector count, sha256.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ProgressReport.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "raw/RawRules.h"

namespace vantor {

inline constexpr const char* kRawSearchText = "Searching Selected Extensions. Please Wait...";
inline constexpr const char* kRawCompletedText = "Raw Saving Completed Successfully.";
inline constexpr const char* kRawAbortedText = "Raw Search Aborted.";
inline constexpr const char* kRawReportFile = "raw-report.csv";
inline constexpr const char* kRawFullText = "Insufficient free space on target. Please change target drive.";
inline constexpr const char* kRawStopQuestion = "Are you sure you want to stop Raw Search/Save process";
// Step 3's captions in raw mode: the sector reached where the size goes, the
// bytes recovered where the folders go; the files found and the last file
// written where they go for a scan (ProgressReport.h).
inline constexpr int kCaptionRawSector = kCaptionPosition;
inline constexpr int kCaptionRawBytes = kCaptionFolders;

struct RawRun {
  uint64_t start = 0;
  uint64_t end = 0;  // the first sector after the range
  std::string folder;
};

struct RawOutcome {
  uint32_t filesFound = 0;
  uint32_t filesNotWritten = 0;  // found, but their file could not be written
  uint64_t bytesRecovered = 0;
  uint64_t sectorReached = 0;
  std::string lastPath;
  bool stopped = false;
  std::vector<std::string> problems;  // "PATH: reason", one per file not written
  std::string failure;                 // why nothing could be written (the folder)
  // Complete, and every file found written.
  bool complete() const { return !stopped && filesNotWritten == 0 && failure.empty() && problems.empty(); }
};

RawOutcome RunRawRecovery(SectorReader& reader, WorkerHost& host, std::vector<FileTypeRule>& rules, const RawRun& run);

// The Step 3 section for the activity log and the lines of the recovery log
// after the run header, as the run ended.
std::vector<std::string> RawReportLines(const RawOutcome& outcome, const RawRun& run, uint64_t elapsedSeconds);

}  // namespace vantor
