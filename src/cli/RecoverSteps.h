// The steps of `vantor recover` that `vantor demo` shares: scan one file system,
// build the Step 4 tree, select what the options name, check the destination and
// run the saving worker. The host answers the saver's questions from the options.
#pragma once

#include <string>
#include <vector>

#include "cli/CliHost.h"

namespace vantor {
class Session;
}

namespace vantor::cli {

enum class RecoverChoice { kAll, kDeletedOnly, kSelect };

struct RecoverOptions {
  size_t partition = 1;
  std::string destination;
  RecoverChoice choice = RecoverChoice::kAll;
  std::vector<std::string> selected;  // paths under Root as `scan` prints them
  ReplaceAnswer onExists = ReplaceAnswer::kRenameAll;
};

// The terminal host of a save: an existing file is answered by --on-exists, a
// file that cannot be created is reported and skipped.
class RecoverHost : public CliHost {
 public:
  RecoverHost(const HostOptions& host, ReplaceAnswer onExists) : CliHost(host), onExists_(onExists) {}
  ReplaceAnswer askReplace(const std::string&) override { return onExists_; }
  WriteErrorAnswer askWriteError(const std::string& path) override;

 private:
  ReplaceAnswer onExists_;
};

struct RecoverResult {
  bool ok = false;
  std::string failure;              // why nothing was saved, when not ok
  std::string closing;              // the closing message of the save
  std::vector<std::string> report;  // the saving report's lines
};

// Takes -p N, -o DIR, --all, --deleted-only, --select PATH... and --on-exists out
// of `args`; returns a problem text, or empty when they are fine.
std::string TakeRecoverOptions(Arguments& args, RecoverOptions& options);
inline constexpr const char* kRecoverUsage =
    "vantor recover SOURCE [-p N] -o DIR [--all | --deleted-only | --select PATH ...] "
    "[--on-exists replace|skip|rename] [--on-bad-sector retry|skip] [--quiet] [--verbose]";

RecoverResult RecoverPartition(Session& session, const std::string& source, const RecoverOptions& options);

}  // namespace vantor::cli
