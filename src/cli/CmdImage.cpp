// vantor image SOURCE -o PATH [--split] [-p N | --range FIRST END] [--resume]:
// copies the sectors of the source, of file system N or of a range into an
// image file (PATH, or PATH/Image.img for a folder), in pieces of 650 MiB with
// --split, which the other commands read back as a source; with --to-disk
// DEVICE --yes onto a disk from its sector 0.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "cli/CliHost.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/RangeOptions.h"
#include "cli/SourceSteps.h"
#include "cli/Usage.h"
#include "imaging/ImageCreation.h"
#include "logs/Logs.h"
#include "platform/RawDevice.h"
#include "session/Session.h"

namespace vantor::cli {
namespace {

// The copy, its report in the activity log and on standard output, and the exit code.
int Copy(Session& session, CliHost& host, const ImagingRun& run) {
  AppendLogSection(kActivityLog, "Step 2 (b):", ImagingChoiceLines(run));
  host.beginPhase("Copying sectors", (run.end - run.start) * 512);
  const auto started = std::chrono::steady_clock::now();
  const ImagingOutcome outcome = RunImaging(session.reader, host, run);
  host.finishProgress();
  const auto seconds = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count());
  LogImagingReport(outcome, run, seconds);
  const std::string closing = ImagingClosingText(outcome);
  for (const std::string& line : ImagingReportLines(outcome, run, seconds)) std::printf("%s\n", line.c_str());
  if (outcome.complete()) {
    std::printf("%s\n", closing.c_str());
    return std::fflush(stdout) == 0 ? kExitOk : Failure("cannot write to standard output");
  }
  if (!outcome.failure.empty()) std::fprintf(stderr, "vantor: %s\n", outcome.failure.c_str());
  std::fprintf(stderr, "vantor: %s\n", closing.c_str());
  if (outcome.stopped) {
    if (!run.toDisk) std::fprintf(stderr, "vantor: vantor image ... --resume goes on where this copy stopped\n");
    return Interrupted() ? kExitInterrupted : kExitFailed;
  }
  return kExitFailed;
}

// Makes `run` a copy onto the disk `disk`; why it cannot be, or empty.
std::string TakeDiskTarget(Session& session, const std::string& disk, bool confirmed, ImagingRun& run) {
  struct stat info;
  if (::stat(disk.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return disk + " is not a disk";
  std::unique_ptr<RawDevice> device = OpenFileDevice(disk, DeviceAccess::kRead);
  if (device == nullptr) return "cannot open " + disk + ": " + std::strerror(errno);
  run.toDisk = true;
  run.diskPath = "\\\\.\\PhysicalDrive1";
  run.diskText = disk;
  if (std::string problem = DiskTargetProblem(session.reader, disk, device->size(), run); !problem.empty())
    return problem;
  if (!confirmed) return "All data will be lost in Target Disk " + disk + ": give --yes to go on";
  session.reader.mapDevice(run.diskPath, disk);
  return {};
}

}  // namespace

int ImageCommand(const Arguments& arguments) {
  const std::string usage = std::string(
                                "vantor image SOURCE (-o PATH [--split] [--resume] | --to-disk DEVICE --yes) "
                                "[-p N | --range FIRST END] ") +
                            kHostOptionsUsage;
  if (WantsHelp(arguments)) {
    std::cout << "usage: " << usage
              << "\n\nCopies the sectors of the whole source, of file system N or of the range FIRST to\n"
                 "END into the image file PATH (a folder: PATH/Image.img), named with 0 before\n"
                 "\".img\" (Image0.img); with --split in pieces of 1331200 sectors (650 MiB), Image0.img,\n"
                 "Image1.img, ... Any command reads Image0.img back as a source. Sectors that cannot\n"
                 "be read are zeros in the image and listed in its map (Image0.map), which also says\n"
                 "where a stopped copy stands: --resume goes on from there. --to-disk DEVICE --yes\n"
                 "copies onto the disk DEVICE from its sector 0 instead (all its data is lost; a\n"
                 "disk that is too small, is the source or has a file system mounted is refused).\n"
                 "Exits 0 only when every sector was read and written.\n";
    return kExitOk;
  }
  Arguments args = arguments;
  HostOptions hostOptions;
  if (std::string problem = TakeHostOptions(args, hostOptions); !problem.empty()) return UsageError(usage, problem);
  std::string target, disk;
  for (const auto& [option, value] : {std::pair{"-o", &target}, {"--to-disk", &disk}})
    if (std::string problem = TakeValue(args, option, *value); !problem.empty()) return UsageError(usage, problem);
  const bool confirmed = TakeFlag(args, "--yes");
  RangeOptions rangeOptions;
  if (std::string problem = TakeRangeOptions(args, rangeOptions); !problem.empty()) return UsageError(usage, problem);
  ImagingRun run;
  run.split = TakeFlag(args, "--split");
  run.resume = TakeFlag(args, "--resume");
  if (std::string problem = UnknownOption(args); !problem.empty()) return UsageError(usage, problem);
  if (args.size() != 1) return UsageError(usage, "image takes exactly one SOURCE");
  if (target.empty() == disk.empty()) return UsageError(usage, "image needs one of -o PATH and --to-disk DEVICE");
  if (!disk.empty() && (run.split || run.resume))
    return UsageError(usage, "--split and --resume are for an image file, not a disk");
  if (disk.empty()) {
    std::error_code error;
    run.imagePath = std::filesystem::is_directory(target, error)
                        ? (std::filesystem::path(target) / "Image.img").string()
                        : target;
    if (run.imagePath.size() < 5 || run.imagePath.substr(run.imagePath.size() - 4) != ".img")
      return UsageError(usage, "the image's name must end in .img: " + run.imagePath);
  }

  Session session;
  CliHost host(hostOptions);
  session.setHost(&host);
  if (StepResult opened = OpenSource(session, args[0]); !opened.ok) return Failure(opened.message);
  const ChosenRange range = ChooseRange(session, rangeOptions, args[0]);
  if (!range.problem.empty()) return range.usage ? UsageError(usage, range.problem) : Failure(range.problem);
  run.start = range.start;
  run.end = range.end;
  run.sourceIdentity = ImagingSourceIdentity(session.state, session.reader);
  if (std::string problem = disk.empty() ? ImageTargetProblem(session.reader, run)
                                         : TakeDiskTarget(session, disk, confirmed, run);
      !problem.empty())
    return Failure(problem);

  return Copy(session, host, run);
}

}  // namespace vantor::cli
