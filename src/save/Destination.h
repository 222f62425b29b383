// The destination check that runs before a save: the folder must exist or be
// made (never in place of anything that stands there), must not be or lie on the
// source, and must be writable; the selection must hold at least one file, and
// the destination's free space must exceed what the selection needs (or the user
// says to go on). A refusal shows "Not a valid Destination. ..." with its reason.
#pragma once

#include <memory>
#include <string>

#include "save/DestinationTree.h"

namespace vantor {

struct SaveContext;

enum class DestinationOutcome {
  kInvalid,          // "Not a valid Destination. ..." was shown; ask again
  kNothingSelected,  // "You have not selected any file/folder." was shown
  kChooseAnother,    // too little free space and the user said No
  kAccepted,         // savingRun.savingPath holds the destination, savingRun.destination its handle
};

// Opens and checks `typed` as a destination, as the acceptance does, and shows
// "Not a valid Destination. ..." with the reason when it cannot serve; null then.
// A command that knows its destination from the start checks it so before it
// reads the source.
std::unique_ptr<DestinationTree> CheckDestination(const SaveContext& context, const std::string& typed);

// Counts what the save will write: filesRequired, bytesRequired and
// foldersRequired.
void ComputeTotals(const SaveContext& context);

// What a selection must hold to be saved: a file, or (the command line, where
// an empty folder is worth having back) a file or a folder.
enum class SelectionNeeds { kAFile, kAFileOrFolder };

// The acceptance steps for `typed`, the destination as the user gave it.
// `rawRecovery`: keep the path only (no totals, no free-space question).
DestinationOutcome AcceptDestination(const SaveContext& context, const std::string& typed, bool rawRecovery = false,
                                     SelectionNeeds needs = SelectionNeeds::kAFile);

}  // namespace vantor
