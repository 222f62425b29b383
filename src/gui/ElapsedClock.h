// The elapsed time of a progress dialog: time since the start, less the time
// spent paused. The clock is a seam so that tests can move time by hand.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class ElapsedClock {
 public:
  using Now = std::function<int64_t()>;  // milliseconds of a steady clock

  ElapsedClock();
  void setNow(Now now) { now_ = std::move(now); }

  void start();
  void pause();
  void resume();
  bool paused() const { return paused_; }

  // Whole seconds elapsed, the pauses left out.
  int64_t seconds() const;
  // "%d : %d : %d": hours, minutes, seconds.
  QString text() const;

 private:
  Now now_;
  int64_t startTick_ = 0;
  int64_t pausedTime_ = 0;
  int64_t pauseTick_ = 0;
  bool paused_ = false;
};
