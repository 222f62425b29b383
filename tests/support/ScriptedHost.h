// A WorkerHost for tests: answers from a script and records every call.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/WorkerHost.h"

namespace vantor::test {

class ScriptedHost : public WorkerHost {
 public:
  std::deque<int32_t> badSectorAnswers;  // popped per question; Skip when empty
  std::deque<bool> questionAnswers;      // popped per question; No when empty
  std::deque<ReplaceAnswer> replaceAnswers;
  std::deque<WriteErrorAnswer> writeErrorAnswers;
  std::deque<std::optional<std::string>> otherFolders;  // none when empty
  int stopAfterPolls = -1;  // stopRequested() turns true after this many polls
  std::string stopInStep;   // ... or while the last step text begins with this
  uint64_t stopFromProgress = 0;  // ... and its progress reached this
  bool stopEndsAll = false;  // as the wizard's Back: a stop taken is never cleared

  std::vector<std::string> calls;  // "badSectors", "message:TEXT", "question:TEXT", ...
  std::vector<std::string> steps;
  std::vector<std::string> traces;
  uint64_t lastProgress = 0;
  uint64_t progressRange = 0;
  int polls = 0;
  bool stopTaken = false;
  std::map<std::string, int> gatesInStep;  // pauseGate() calls by the step text they came in

  int badSectorQuestions() const { return Count("badSectors"); }
  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call ? 1 : 0;
    return n;
  }

  void setProgressRange(uint64_t range) override { progressRange = range; }
  void setProgress(uint64_t position) override { lastProgress = position; }
  void setStepText(const std::string& text) override { steps.push_back(text); }
  void setCaption(int control, const std::string& text) override {
    calls.push_back("caption" + std::to_string(control) + ":" + text);
  }
  void trace(const std::string& text) override { traces.push_back(text); }
  void pauseGate() override { ++gatesInStep[steps.empty() ? std::string() : steps.back()]; }
  bool stopRequested() override {
    if (!stopInStep.empty() && !steps.empty() && steps.back().rfind(stopInStep, 0) == 0 &&
        lastProgress >= stopFromProgress)
      stopTaken = true;
    return stopTaken || (stopAfterPolls >= 0 && ++polls > stopAfterPolls);
  }
  // As the wizard's Stop: a stop seen is cleared, one not yet come stays.
  void clearStop() override {
    if (stopEndsAll && stopTaken) return;
    stopAfterPolls = -1;
    if (stopTaken) stopInStep.clear();
    stopTaken = false;
  }
  int32_t askBadSectors() override {
    calls.push_back("badSectors");
    return Pop(badSectorAnswers, static_cast<int32_t>(kSkip));
  }
  void messageInfo(const std::string& text) override { calls.push_back("message:" + text); }
  bool question(const std::string& text) override {
    calls.push_back("question:" + text);
    return Pop(questionAnswers, false);
  }
  ReplaceAnswer askReplace(const std::string& path) override {
    calls.push_back("replace:" + path);
    return Pop(replaceAnswers, ReplaceAnswer::kReplace);
  }
  WriteErrorAnswer askWriteError(const std::string& path, const std::string&) override {
    calls.push_back("writeError:" + path);
    return Pop(writeErrorAnswers, WriteErrorAnswer::kAbort);
  }
  std::optional<std::string> askOtherFolder() override {
    calls.push_back("otherFolder");
    return Pop(otherFolders, std::optional<std::string>());
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& answers, T fallback) {
    if (answers.empty()) return fallback;
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace vantor::test
