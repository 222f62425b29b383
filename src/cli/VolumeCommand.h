// What the commands that read one volume's catalog (scan, find, cat) share: the
// options that choose and read the volume, and the steps that open the source,
// choose the volume and scan it (or load its saved scan).
#pragma once

#include <string>

#include "cli/CliHost.h"
#include "cli/SourceSteps.h"
#include "core/OemCodePage.h"

namespace vantor::cli {

struct VolumeCommand {
  HostOptions host;
  VolumeChoice volume;
  uint16_t codePage = kDefaultOemCodePage;
  bool ignoreCid = false;
};
inline const std::string kVolumeCommandUsage =
    std::string(kVolumeUsage) + " [--codepage N] [--ignore-cid] " + kHostOptionsUsage;

// Takes --quiet, --verbose, --on-bad-sector, --codepage, the volume's options
// and --ignore-cid out of `args`; a problem text, or empty.
std::string TakeVolumeCommand(Arguments& args, VolumeCommand& command);

// Opens `source` for `session` with `host`, chooses the volume and scans it.
// Returns the exit code to leave with (the failure told), or -1 when the
// catalog is ready.
int OpenAndScan(Session& session, CliHost& host, const VolumeCommand& command, const std::string& source,
                ScanReport& report);

}  // namespace vantor::cli
