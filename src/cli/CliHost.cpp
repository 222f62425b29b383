#include "cli/CliHost.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/Interrupt.h"
#include "core/ElapsedText.h"
#include "core/ProgressReport.h"

namespace vantor::cli {

std::string TakeHostOptions(Arguments& args, HostOptions& options) {
  const char* trace = std::getenv("VANTOR_TRACE");
  options.verbose = trace != nullptr && std::strcmp(trace, "1") == 0;
  Arguments rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--quiet") {
      options.quiet = true;
    } else if (args[i] == "--verbose") {
      options.verbose = true;
    } else if (args[i] == "--on-bad-sector") {
      if (i + 1 >= args.size()) return "--on-bad-sector needs retry or skip";
      const std::string& value = args[++i];
      if (value != "retry" && value != "skip") return "--on-bad-sector takes retry or skip, not '" + value + "'";
      options.badSectorAnswer = value == "retry" ? kRetry : kSkip;
    } else {
      rest.push_back(args[i]);
    }
  }
  args = rest;
  return {};
}

CliHost::CliHost(const HostOptions& options) : options_(options), terminal_(::isatty(STDERR_FILENO) == 1) {}

CliHost::~CliHost() { finishProgress(); }

void CliHost::setProgressRange(uint64_t range) { range_ = range == 0 ? 1 : range; }

void CliHost::setProgress(uint64_t position) {
  int percent = static_cast<int>((position > range_ ? range_ : position) * 100 / range_);
  if (percent == percent_) return;
  percent_ = percent;
  Draw();
}

void CliHost::setCaption(int control, const std::string& text) {
  if (control == kCaptionFolders) folders_ = text;
  if (control == kCaptionFiles) files_ = text;
  if (control == kCaptionPosition) size_ = text;
  if (terminal_ && (control == kCaptionFolders || control == kCaptionFiles)) Draw();
}

void CliHost::beginPhase(const std::string& name, uint64_t bytes) {
  finishProgress();
  phase_ = name;
  phaseBytes_ = bytes;
  phaseStart_ = std::chrono::steady_clock::now();
  percent_ = -1;
  folders_.clear();
  files_.clear();
  size_.clear();
}

void CliHost::Draw() {
  if (options_.quiet || percent_ < 0) return;
  const std::string phase = phase_.empty() ? std::string("Working") : phase_;
  if (!terminal_) {
    // A log or a pipe gets a line per tenth, not a hundred.
    if (percent_ % 10 == 0) std::fprintf(stderr, "%s: %d%%\n", phase.c_str(), percent_);
    return;
  }
  constexpr int kWidth = 30;
  std::string bar(static_cast<size_t>(percent_ * kWidth / 100), '#');
  bar.resize(kWidth, '-');
  std::fprintf(stderr, "\r%s [%s] %3d%%", phase.c_str(), bar.c_str(), percent_);
  if (raw_ && !size_.empty())
    std::fprintf(stderr, "  sector %s  files %s  recovered %s", size_.c_str(), files_.c_str(),
                 folders_.empty() ? "0.000 MB" : folders_.c_str());
  else if (!folders_.empty())
    std::fprintf(stderr, "  folders %s  files %s", folders_.c_str(), files_.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - phaseStart_).count();
  if (percent_ > 0 && seconds >= 1) {
    if (phaseBytes_ > 0)
      std::fprintf(stderr, "  %.1f MB/s", static_cast<double>(phaseBytes_) * percent_ / 100 / 1048576 / seconds);
    const auto left = static_cast<uint64_t>(seconds * (100 - percent_) / percent_);
    std::fprintf(stderr, "  %s left", ElapsedText(left).c_str());
  }
  std::fputs("\x1b[K", stderr);  // the rest of a longer line before
  std::fflush(stderr);
  lineOpen_ = true;
}

void CliHost::finishProgress() {
  if (lineOpen_) std::fputc('\n', stderr);
  lineOpen_ = false;
}

bool CliHost::stopRequested() { return Interrupted(); }

void CliHost::trace(const std::string& text) {
  if (!options_.verbose) return;
  finishProgress();
  std::fprintf(stderr, "vantor: trace: %s\n", text.c_str());
}

void CliHost::messageInfo(const std::string& text) {
  finishProgress();
  std::fprintf(stderr, "vantor: %s\n", text.c_str());
}

bool CliHost::question(const std::string& text) {
  finishProgress();
  std::fprintf(stderr, "vantor: %s? No\n", text.c_str());
  return false;
}

}  // namespace vantor::cli
