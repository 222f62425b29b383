// The terminal's WorkerHost: on standard error, a line with the phase, a bar,
// the folders and files found, the speed and the time left when it is a
// terminal; otherwise one line per tenth of a phase ("Saving: 40%"); nothing
// with --quiet.
// Messages go to standard error; the trace of passed-over records is printed
// with --verbose or VANTOR_TRACE=1; the bad-sector question is answered from
// --on-bad-sector (skip unless told to retry); yes/no questions are answered No.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "cli/Commands.h"
#include "core/WorkerHost.h"

namespace vantor::cli {

struct HostOptions {
  bool quiet = false;
  bool verbose = false;
  int32_t badSectorAnswer = kSkip;
};

// Takes --quiet, --verbose and --on-bad-sector VALUE out of `args`; returns a
// problem text, or empty when the options are fine.
std::string TakeHostOptions(Arguments& args, HostOptions& options);
inline constexpr const char* kHostOptionsUsage = "[--quiet] [--verbose] [--on-bad-sector retry|skip]";

class CliHost : public WorkerHost {
 public:
  explicit CliHost(const HostOptions& options);
  ~CliHost() override;
  CliHost(const CliHost&) = delete;
  CliHost& operator=(const CliHost&) = delete;

  void setProgressRange(uint64_t range) override;
  void setProgress(uint64_t position) override;
  void setCaption(int control, const std::string& text) override;
  void beginPhase(const std::string& name, uint64_t bytes = 0) override;
  void trace(const std::string& text) override;
  int32_t askBadSectors() override { return options_.badSectorAnswer; }
  bool stopRequested() override;
  void messageInfo(const std::string& text) override;
  bool question(const std::string& text) override;

  // Ends the progress line, so that what follows starts on a line of its own.
  void finishProgress();
  // Raw recovery: the line shows the sector reached, the files found and the
  // bytes recovered instead of the folders and files.
  void showRawProgress() { raw_ = true; }

 private:
  void Draw();

  HostOptions options_;
  bool terminal_ = false;
  bool lineOpen_ = false;
  uint64_t range_ = 100;
  int percent_ = -1;
  std::string folders_, files_, size_;
  bool raw_ = false;
  std::string phase_;
  uint64_t phaseBytes_ = 0;
  std::chrono::steady_clock::time_point phaseStart_ = std::chrono::steady_clock::now();
};

}  // namespace vantor::cli
