// The steps of `vantor recover` that `vantor demo` shares: scan one file system,
// build the Step 4 tree, select what the options name, check the destination and
// run the saving worker. The host answers the saver's questions from the options.
#pragma once

#include <string>
#include <vector>

#include "cli/CliHost.h"
#include "cli/FilterOptions.h"
#include "cli/SourceSteps.h"

namespace vantor {
class Session;
}

namespace vantor::cli {

enum class RecoverChoice { kAll, kDeletedOnly, kSelect };

struct RecoverOptions {
  VolumeChoice volume;
  std::string destination;
  RecoverChoice choice = RecoverChoice::kAll;
  std::vector<std::string> selected;  // paths under Root as `scan` prints them
  ReplaceAnswer onExists = ReplaceAnswer::kRenameAll;
  WriteErrorAnswer onWriteError = WriteErrorAnswer::kIgnore;
  bool includeSystem = false;  // NTFS system files with --all and --deleted-only
  bool ignoreFreeSpace = false;  // go on when the destination seems too small
  FilterChoice filter;            // the saving filter's options
  std::string report;             // --report FILE: the DFXML report of the save
};

// The terminal host of a save: an existing file is answered by --on-exists, a
// file that cannot be written is reported with its reason and skipped, or ends
// the run (--on-write-error). The closing message is left to the command, which
// prints it after the report.
class RecoverHost : public CliHost {
 public:
  RecoverHost(const HostOptions& host, const RecoverOptions& options)
      : CliHost(host),
        onExists_(options.onExists),
        onWriteError_(options.onWriteError),
        ignoreFreeSpace_(options.ignoreFreeSpace) {}
  ReplaceAnswer askReplace(const std::string&) override { return onExists_; }
  WriteErrorAnswer askWriteError(const std::string& path, const std::string& reason) override;
  void messageInfo(const std::string& text) override;
  // The one yes/no question of a save: too little free space.
  bool question(const std::string& text) override;

 private:
  ReplaceAnswer onExists_;
  WriteErrorAnswer onWriteError_;
  bool ignoreFreeSpace_;
};

struct RecoverResult {
  bool ok = false;
  std::string failure;              // why nothing was saved, when not ok (empty: already told)
  std::string closing;              // the closing message of the save
  std::vector<std::string> report;  // the saving report's lines
};

// Takes -p N, -o DIR, --all, --deleted-only, --select PATH..., --include-system,
// --ignore-free-space, --on-exists, --on-write-error and the saving filter's
// options and --report FILE out of `args`; returns a problem text, or empty
// when they are fine.
std::string TakeRecoverOptions(Arguments& args, RecoverOptions& options);
inline const std::string kRecoverUsage =
    std::string("vantor recover SOURCE ") + kVolumeUsage +
    " -o DIR [--all | --deleted-only | --select PATH ...] [--include-system] " +
    kSavingFilterUsage +
    " [--on-exists replace|skip|rename] [--on-write-error skip|abort] [--ignore-free-space] [--report FILE] "
    "[--codepage N] "
    "[--ignore-cid] [--on-bad-sector retry|skip] [--quiet] [--verbose]";

RecoverResult RecoverPartition(Session& session, const std::string& source, const RecoverOptions& options);

}  // namespace vantor::cli
