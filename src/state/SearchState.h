// Saved search state: a scan's result (".ST4": the source, the volume values and
// the whole recovery catalog) or a lost-partition search's (".ST2C": the file
// systems found and the NTFS candidates, then the catalog), so that a long scan
// is done once. The file is a little-endian stream of fixed fields and counted
// strings (see SearchState.cpp for the layout), without checksum or version.
//
// A state belongs to one source: its identity is the virtual disk's file name
// with the disk's size, type and overhead texts, or, for an image, a block
// device or a wizard item, the item's file name and the source's size in
// sectors. Loading it with another source selected is refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/RecoveryCatalog.h"
#include "core/RecoveryState.h"
#include "core/WorkerHost.h"
#include "disk/SectorReader.h"
#include "lost/FatCandidates.h"

namespace vantor {

enum class StateKind { kScan, kSearch };  // ".ST4", ".ST2C"

inline constexpr const char* kStateWrongDiskText = "You Have Selected Wrong Disk.";
inline constexpr const char* kStateFileErrorText = "Error in file.";
inline constexpr const char* kStateOpenText = "Unable to open file.";
inline constexpr const char* kStateCreateText = "Unable to open file. Please close if this file is opened.";
inline constexpr const char* kStep4StatePathText = "Please specify Step 4 saving log path.";
inline constexpr const char* kStep2cStatePathText = "Please specify Step 2C saving log path.";

struct StateSource {
  std::u16string identity = {};
  bool virtualDisk = false;
  // Virtual disks only.
  std::u16string sizeText = {};
  std::u16string typeText = {};
  std::u16string overHeadText = {};
  bool operator==(const StateSource&) const = default;
};

// The identity of the source selected now.
StateSource CurrentStateSource(const RecoveryState& state, SectorReader& reader);

// Where a typed name is saved: its file name (not its folders) upper-cased,
// with ".ST4" or ".ST2C" appended unless it ends so. Empty for an empty name.
std::string StatePath(const std::string& typed, StateKind kind);

// The kind a path names by its extension, when it names one.
bool StateKindOf(const std::string& path, StateKind& kind);

// Writes the state to `path` through the output layer (a temporary file, so that
// a failed save leaves no half-written state under the name; never through a
// link; never onto `sources`, the files being read). Empty, or what went wrong:
// kStateCreateText, or a value that does not fit the file's 32-bit fields.
std::string SaveState(const std::string& path, StateKind kind, const StateSource& source, const RecoveryState& state,
                      const LostSearchLists& lists, const RecoveryCatalog& catalog,
                      const std::vector<std::string>& sources = {});

// Reads the header of `path` into `state` (choices, volume values, the flags)
// and, for a search, its file systems into `lists.found`; remembers the path
// and the offset of the lists in `state`, sets stateLoaded and logs Step 2.
// Empty, or kStateOpenText, kStateWrongDiskText or kStateFileErrorText.
std::string LoadStateHeader(const std::string& path, const StateSource& current, RecoveryState& state,
                            LostSearchLists& lists);

// Reads the lists of the state that LoadStateHeader remembered: a scan's
// catalog, or a search's NTFS candidates (then stateLoaded is cleared). Stop
// ends a list early. Empty, or kStateOpenText or kStateFileErrorText.
std::string LoadStateLists(RecoveryState& state, WorkerHost& host, RecoveryCatalog& catalog, LostSearchLists& lists);

}  // namespace vantor
