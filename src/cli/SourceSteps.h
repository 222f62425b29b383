// The first steps that the commands share with the wizard: choose the source and
// log the run header and Step 1; list its file systems; choose one of them as
// Step 2 does, log Step 2 and read its boot values.
#pragma once

#include <string>

#include "cli/Commands.h"
#include "partition/PartitionRange.h"
#include "scan/RunScan.h"

namespace vantor {
class Session;
}

namespace vantor::cli {

struct StepResult {
  bool ok = false;
  std::string message;  // what went wrong when not ok
};

// Chooses SOURCE for the session and logs the run start and Step 1.
StepResult OpenSource(Session& session, const std::string& source);
// Makes listed file system `number` (from 1) the volume of the session, logs
// Step 2 and reads the boot values.
StepResult ChoosePartition(Session& session, const std::string& source, size_t number);

// Which file system of the source a command works on: file system N of the
// listing (-p N), the one at a range entered by hand (--range FIRST END --fs
// TYPE), whose boot sector is at FIRST, or file system N of a lost-partition
// search over the range or the whole source (--lost N --fs TYPE). --exhaustive
// scans a FAT volume by its clusters instead of its folders.
struct VolumeChoice {
  size_t partition = 1;
  bool byRange = false;
  size_t lostNumber = 0;  // 0: no search
  bool exhaustive = false;
  RangeInput range;
  std::string stateFile;  // a saved ".ST4", or ".ST2C" with lostNumber
};
inline constexpr const char* kVolumeUsage =
    "[-p N | --range FIRST END --fs FAT12|FAT16|FAT32|NTFS | --lost N --fs FAT12|FAT16|FAT32|NTFS [--range FIRST END]] "
    "[--exhaustive] [--state FILE.ST4 | --state FILE.ST2C --lost N]";

// Takes -p N, --range FIRST END, --fs TYPE, --lost N and --state FILE out of
// `args`; returns a problem text, or empty.
std::string TakeVolumeOptions(Arguments& args, VolumeChoice& choice);
// Makes the chosen file system the volume of the session: by ChoosePartition,
// or from the range (checked and logged as Step 2 (a) checks and logs it) and
// the boot values read at its start, or from a saved state (a search's is read
// here, a scan's by the scan).
StepResult ChooseVolume(Session& session, const std::string& source, const VolumeChoice& choice);

// The lost-partition search of `choice.range` (the whole source when its
// texts are empty) for file systems of type `choice.range.fileSystem`, logged
// as Step 2 (a), 2 (b) and 2 (c). Fails when nothing was found.
StepResult SearchLostFileSystems(Session& session, const std::string& source, const VolumeChoice& choice);

// The scan, search or loading of a saved state that the session's choices ask
// for, with its phase named for the progress line.
ScanReport ScanVolume(Session& session);

// --save-state FILE: writes the session's scan or search to FILE (its name
// upper-cased, the extension appended) and says where on standard error.
StepResult SaveSessionState(Session& session, const std::string& typed, bool search, bool quiet);
// Why --save-state FILE could not be written (its folder missing, not a
// folder, read-only), checked before the source is read; empty when it can.
std::string StateTargetProblem(const std::string& typed, bool search);

}  // namespace vantor::cli
