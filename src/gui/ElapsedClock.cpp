#include "gui/ElapsedClock.h"

#include "core/ElapsedText.h"

#include <chrono>

ElapsedClock::ElapsedClock()
    : now_([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }) {}

void ElapsedClock::start() {
  startTick_ = now_();
  pausedTime_ = 0;
  paused_ = false;
}

void ElapsedClock::pause() {
  if (paused_) return;
  pauseTick_ = now_();
  paused_ = true;
}

void ElapsedClock::resume() {
  if (!paused_) return;
  pausedTime_ += now_() - pauseTick_;
  paused_ = false;
}

int64_t ElapsedClock::seconds() const {
  int64_t end = paused_ ? pauseTick_ : now_();
  int64_t ms = end - startTick_ - pausedTime_;
  return ms > 0 ? ms / 1000 : 0;
}

QString ElapsedClock::text() const {
  return QString::fromStdString(vantor::ElapsedText(static_cast<uint64_t>(seconds())));
}
