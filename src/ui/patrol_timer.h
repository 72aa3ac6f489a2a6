// The patrol timer: repeats the fetch every interval while it is on. Setting
// the state or the interval to the value it already has changes nothing; a
// different value restarts the countdown. An interval of 0 never fires.
#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>

namespace quillet {

class PatrolTimer {
 public:
  PatrolTimer();
  PatrolTimer(const PatrolTimer&) = delete;
  PatrolTimer& operator=(const PatrolTimer&) = delete;

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }

  // Minutes as the settings file holds them; negative counts as 0, and more
  // than the timer can hold (about 24 days) is cut to that.
  void SetIntervalMinutes(int64_t minutes);
  void SetIntervalMs(int64_t milliseconds);
  int64_t IntervalMs() const { return intervalMs_; }

  // True while a countdown runs (on, with an interval above 0).
  bool Counting() const { return timer_.isActive(); }

  std::function<void()> OnTick;

 private:
  void Restart();

  QTimer timer_;
  bool enabled_ = false;
  int64_t intervalMs_ = 0;
};

}  // namespace quillet
