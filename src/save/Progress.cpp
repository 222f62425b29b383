#include "save/Progress.h"

#include <algorithm>
#include <ctime>

#include "core/Session.h"
#include "core/SizeText.h"

namespace vantor {
namespace {

constexpr uint64_t kTextEvery = 1000;

uint64_t Percent(uint64_t part, uint64_t whole) {
  if (whole == 0) return part > 0 ? 100 : 0;
  return std::min<uint64_t>(100, static_cast<uint64_t>(static_cast<double>(part) * 100 / static_cast<double>(whole)));
}

void RefreshTexts(Session& session) {
  SavingRun& run = session.savingRun;
  SetField(session, kSizeCopiedField, SavingSizeText(run.bytesCopied));
  int64_t elapsed = static_cast<int64_t>(std::time(nullptr)) - run.startTime - run.pausedSeconds;
  if (elapsed <= 0) {
    SetField(session, kTimeElapsedField, "00:00:00");
    SetField(session, kTimeRemainingField, "00:00:00");
    return;
  }
  SetField(session, kTimeElapsedField, MinutesText(elapsed));
  double rate = static_cast<double>(run.bytesCopied) / static_cast<double>(elapsed);
  if (rate <= 0) return;
  uint64_t left = run.bytesRequired > run.bytesCopied ? run.bytesRequired - run.bytesCopied : 0;
  SetField(session, kTimeRemainingField, MinutesText(static_cast<int64_t>(static_cast<double>(left) / rate)));
}

}  // namespace

std::string SavingSizeText(uint64_t bytes) { return MegaGigaText(bytes) + " size in"; }

std::string MinutesText(int64_t seconds) {
  return std::to_string(seconds / 60) + " Min " + std::to_string(seconds % 60) + " Sec";
}

bool AbortRequested(Session& session) {
  SavingRun& run = session.savingRun;
  if (run.abortAll == 0 && session.host().stopRequested()) {
    run.stopped = true;
    run.abortAll = 1;
  }
  return run.abortAll != 0;
}

void SetField(Session& session, SavingField field, const std::string& text) {
  session.savingRun.field(field) = text;
  if (session.savingRun.detailsShown) session.host().setCaption(field, text);
}

void RefreshProgress(Session& session, uint64_t written, uint64_t size, uint64_t pieces) {
  SavingRun& run = session.savingRun;
  WorkerHost& host = session.host();
  uint64_t current = written == 0 ? 0 : Percent(written, size);
  host.setFileProgress(current);
  host.setProgress(Percent(run.bytesCopied, run.bytesRequired));
  uint64_t before = run.refreshCalls / kTextEvery;
  run.refreshCalls += pieces;
  if ((run.refreshCalls / kTextEvery != before || current == 100) && run.detailsShown) RefreshTexts(session);
}

}  // namespace vantor
