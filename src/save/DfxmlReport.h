// A report of a save in Digital Forensics XML (DFXML), for tools that read it:
// for each file written, its path below the destination, its size, its
// last-write time, the byte runs it was read from on the source and the SHA-256
// of the bytes written. The runs are those of the file's content as the saver
// read them (none for data kept inside an NTFS file record); the hash is taken
// from the bytes as they went to the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "save/OutputFile.h"
#include "save/SavingRun.h"

namespace vantor {

struct SavedFileEntry {
  std::string path;
  uint64_t size = 0;
  std::string sha256;
  std::optional<FileTime> modified;
  std::vector<std::pair<uint64_t, uint64_t>> runs;  // first sector, count
};

// Wraps `inner` so that every file committed is added to `entries` with the
// runs that `run` recorded since the file was created (it sets recordRuns).
FileCreator RecordingCreator(FileCreator inner, SavingRun& run, std::vector<SavedFileEntry>& entries);

struct DfxmlRun {
  std::string version;      // of this program
  std::string commandLine;  // as typed
  std::string source;       // the source's path
  std::string fileSystem;   // "FAT32", "NTFS", ...
  uint64_t volumeSector = 0;
  std::string destination;  // the folder saved into; entries' paths are given below it
  std::string outcome;      // the closing message of the save
};

std::string DfxmlText(const DfxmlRun& run, const std::vector<SavedFileEntry>& entries);

}  // namespace vantor
