#include "save/Progress.h"

#include <algorithm>
#include <ctime>

#include "core/SizeText.h"
#include "save/SaveContext.h"

namespace vantor {
namespace {

constexpr uint64_t kTextEvery = 1000;

uint64_t Percent(uint64_t part, uint64_t whole) {
  if (whole == 0) return part > 0 ? 100 : 0;
  return std::min<uint64_t>(100, static_cast<uint64_t>(static_cast<double>(part) * 100 / static_cast<double>(whole)));
}

void RefreshTexts(const SaveContext& context) {
  SavingRun& run = context.savingRun;
  SetField(context, kSizeCopiedField, SavingSizeText(run.bytesCopied));
  int64_t elapsed = static_cast<int64_t>(std::time(nullptr)) - run.startTime - run.pausedSeconds;
  if (elapsed <= 0) {
    SetField(context, kTimeElapsedField, "00:00:00");
    SetField(context, kTimeRemainingField, "00:00:00");
    return;
  }
  SetField(context, kTimeElapsedField, MinutesText(elapsed));
  double rate = static_cast<double>(run.bytesCopied) / static_cast<double>(elapsed);
  if (rate <= 0) return;
  uint64_t left = run.bytesRequired > run.bytesCopied ? run.bytesRequired - run.bytesCopied : 0;
  SetField(context, kTimeRemainingField, MinutesText(static_cast<int64_t>(static_cast<double>(left) / rate)));
}

}  // namespace

std::string SavingSizeText(uint64_t bytes) { return MegaGigaText(bytes) + " size in"; }

std::string MinutesText(int64_t seconds) {
  return std::to_string(seconds / 60) + " Min " + std::to_string(seconds % 60) + " Sec";
}

bool AbortRequested(const SaveContext& context) {
  SavingRun& run = context.savingRun;
  if (run.abortAll == 0 && context.host().stopRequested()) {
    run.stopped = true;
    run.abortAll = 1;
  }
  return run.abortAll != 0;
}

void SetField(const SaveContext& context, SavingField field, const std::string& text) {
  context.savingRun.field(field) = text;
  if (context.savingRun.detailsShown) context.host().setCaption(field, text);
}

void RefreshProgress(const SaveContext& context, uint64_t written, uint64_t size, uint64_t pieces) {
  SavingRun& run = context.savingRun;
  WorkerHost& host = context.host();
  uint64_t current = written == 0 ? 0 : Percent(written, size);
  host.setFileProgress(current);
  host.setProgress(Percent(run.bytesCopied, run.bytesRequired));
  uint64_t before = run.refreshCalls / kTextEvery;
  run.refreshCalls += pieces;
  if ((run.refreshCalls / kTextEvery != before || current == 100) && run.detailsShown) RefreshTexts(context);
}

}  // namespace vantor
