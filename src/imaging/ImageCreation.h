// Disk imaging: the sectors start … end − 1 of the source copied into an image
// file (one, or pieces of 1331200 sectors named Image0.img, Image1.img, ...
// after the path given) or onto another disk from its sector 0. An image is the
// plain run of the sectors, which the image source reads back as one disk.
//
// Reads go in runs of 4 MiB; a run that fails is read again sector by sector,
// asking the bad-sector question, and what stays unreadable is zeros in the
// image and a range in the map beside it (ImageMap.h). Every write is checked:
// a write that fails stops the run, which then is never reported complete; a
// piece is flushed to the disk before it counts as written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "imaging/ImageMap.h"

namespace vantor {

inline constexpr const char* kImagingCompletedText = "Image creation completed successfully.";
inline constexpr const char* kImagingAbortedText = "Image creation aborted.";
inline constexpr const char* kImagingNoRoomText = "Insufficient free space on target. Please change target drive.";
inline constexpr const char* kImagingNoFolderText = "Destination path does not exist. Please select other.";

struct ImagingRun {
  uint64_t start = 0;
  uint64_t end = 0;  // the first sector after the range
  bool toDisk = false;
  std::string imagePath;  // an image target as given: FOLDER/Image.img
  bool split = false;     // pieces of 1331200 sectors
  std::string diskPath;   // a disk target: its device name
  std::string diskText;   // ... and how it is shown: "Disk1 - MODEL"
  bool resume = false;    // go on where the map of an earlier run says it stopped
  std::string sourceIdentity;  // the source's identity, kept in the map
};

struct ImagingOutcome {
  uint64_t sectorReached = 0;
  std::string lastName;
  bool stopped = false;
  std::string failure;  // why the copy could not go on (a write, a piece, the map)
  std::vector<UnreadableRun> unreadable;
  // Every sector read and written.
  bool complete() const { return !stopped && failure.empty() && unreadable.empty(); }
};

// Piece k of an image: the path without its last four characters, k, ".img".
std::string PieceName(const std::string& imagePath, uint64_t piece);
// The map of an image: beside its first piece, ".map" for ".img".
std::string MapName(const std::string& imagePath);

// The identity of the source selected now, as a saved state has it, as text.
std::string ImagingSourceIdentity(const RecoveryState& state, SectorReader& reader);

// Why the image target cannot take the range (its folder is missing, it is or
// lies on the source, too little room), or empty.
std::string ImageTargetProblem(SectorReader& reader, const ImagingRun& run);

// Why the disk `device` (/dev/...) of `diskBytes` cannot take the range: too
// small, the source itself, or in use (a file system on it is mounted); or empty.
std::string DiskTargetProblem(SectorReader& reader, const std::string& device, uint64_t diskBytes,
                              const ImagingRun& run);

ImagingOutcome RunImaging(SectorReader& reader, WorkerHost& host, const ImagingRun& run);

// The Step 2 (b) lines of the activity log for the target chosen.
std::vector<std::string> ImagingChoiceLines(const ImagingRun& run);
// The Step 3 lines of the activity log after "Analysing Imaging Creation
// Information : ", and the closing text.
std::vector<std::string> ImagingReportLines(const ImagingOutcome& outcome, const ImagingRun& run,
                                            uint64_t elapsedSeconds);
std::string ImagingClosingText(const ImagingOutcome& outcome);
// The Step 3 section of the activity log and the closing text after it.
void LogImagingReport(const ImagingOutcome& outcome, const ImagingRun& run, uint64_t elapsedSeconds);

}  // namespace vantor
