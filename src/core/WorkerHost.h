// The one channel between a worker (a scan, the saver, ...) and whoever runs it.
//
// A worker never touches a widget or a terminal. It reports progress, polls the
// stop flags at its gates, and asks its questions here; the wizard answers through
// its dialogs (marshalled onto the user-interface thread), the command line from its
// options, and tests from a script. Every method has a quiet default so that a host
// implements only what it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantor {

// Answers to "Bad Sectors Encountered", in the order they are stored.
enum BadSectorAnswer : int32_t { kRetry = 0, kSkip = 1, kRetryAll = 2, kSkipAll = 3 };

// Answers of the "replace existing file" question.
enum class ReplaceAnswer { kReplace, kReplaceAll, kSkip, kSkipAll, kRename, kRenameAll, kCancel };

// Answers of the "Error Writing Destination" question.
enum class WriteErrorAnswer { kRetry, kIgnore, kIgnoreAll, kAbort };

class WorkerHost {
 public:
  virtual ~WorkerHost() = default;

  // Progress: the bar's position within [0, range], the step line, and the
  // captions of the progress dialog by their control number.
  virtual void setProgressRange(uint64_t /*range*/) {}
  virtual void setProgress(uint64_t /*position*/) {}
  // The second bar of the saving progress: the current file, 0 to 100.
  virtual void setFileProgress(uint64_t /*percent*/) {}
  virtual void setStepText(const std::string& /*text*/) {}
  // A front end that names the phases of a long run ("Scanning folders",
  // "Saving") starts one here; `bytes`, when known, is what the phase will read
  // or write, for a speed and a time left. The wizard shows its steps instead.
  virtual void beginPhase(const std::string& /*name*/, uint64_t /*bytes*/ = 0) {}
  virtual void setCaption(int /*control*/, const std::string& /*text*/) {}
  // A line for the trace that says why a record was passed over (--verbose).
  virtual void trace(const std::string& /*text*/) {}

  // Cooperative control: a worker calls these between reads.
  virtual void pauseGate() {}
  virtual bool stopRequested() { return false; }
  // A worker whose Stop ends one step and goes on with the next clears the
  // request; a host whose stop cannot be taken back ignores this.
  virtual void clearStop() {}

  // Questions. Closing the bad-sector dialog counts as Skip.
  virtual int32_t askBadSectors() { return kSkip; }
  virtual void messageInfo(const std::string& /*text*/) {}
  virtual bool question(const std::string& /*text*/) { return false; }
  virtual ReplaceAnswer askReplace(const std::string& /*path*/) { return ReplaceAnswer::kReplace; }
  // A file that could not be created, written or closed, and why.
  virtual WriteErrorAnswer askWriteError(const std::string& /*path*/, const std::string& /*reason*/) {
    return WriteErrorAnswer::kAbort;
  }
  // Raw recovery's folder is full: another folder, empty when the user gave
  // none, or nothing when this host cannot ask (the run then ends).
  virtual std::optional<std::string> askOtherFolder() { return std::nullopt; }
};

}  // namespace vantor
